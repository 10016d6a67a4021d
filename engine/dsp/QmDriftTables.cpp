#include "QmDriftTables.h"
#include "QmRandom.h"

#include <cmath>

namespace
{
    // Polar method, drawing from a generator state of its own.
    struct Gaussian
    {
        unsigned int state;
        uint64_t draws = 0;
        bool spareAvailable = false;
        double spare = 0.0;

        double uniform()
        {
            ++draws;
            return (double) (qmRandNext (state) % 10000) * 2.0 / 10000.0 - 1.0;
        }

        double next()
        {
            if (spareAvailable)
            {
                spareAvailable = false;
                return spare;
            }

            double u1, u2, s;

            do
            {
                u1 = uniform();
                u2 = uniform();
                s = u2 * u2 + u1 * u1;
            }
            while (s >= 1.0 || s == 0.0);   // log(0) would poison both tables

            const double m = std::sqrt (-2.0 * (double) std::log ((float) s) / s);
            spare = m * u2;
            spareAvailable = true;
            return m * u1;
        }
    };
}

QmDriftTables::QmDriftTables (unsigned int seed)
    : storage { QmAlignedBuffer ((size_t) size), QmAlignedBuffer ((size_t) size) }
{
    buildNoiseTable (seed);
    buildDriftTable();
}

std::shared_ptr<const QmDriftTables> QmDriftTables::shared()
{
    static const std::shared_ptr<const QmDriftTables> tables = std::make_shared<const QmDriftTables> (1u);
    return tables;
}

void QmDriftTables::buildNoiseTable (unsigned int seed)
{
    float* noise = storage[0].get();
    Gaussian gaussian { seed };
    double sum = 0.0;

    for (int i = 0; i < size; ++i)
    {
        noise[i] = (float) gaussian.next();
        sum += noise[i];
    }

    const double mean = sum / (double) size;

    for (int i = 0; i < size; ++i)
        noise[i] = (float) (noise[i] - mean);

    numDraws = gaussian.draws;
}

void QmDriftTables::buildDriftTable()
{
    const float* noise = storage[0].get();
    float* drift = storage[1].get();
    double acc = 0.0, maxValue = -1e7, minValue = 1e7;

    for (int i = 0; i < size; ++i)
    {
        acc = (acc + noise[i] * 0.001) * 0.999;
        drift[i] = (float) acc;
        maxValue = std::fmax (maxValue, drift[i]);
        minValue = std::fmin (minValue, drift[i]);
    }

    const double range = maxValue - minValue;
    double sum = 0.0;

    for (int i = 0; i < size; ++i)
    {
        drift[i] = (float) ((drift[i] - range / 2.0) * (1.0 / range));
        sum += drift[i];
    }

    const double mean = sum / (double) size;

    for (int i = 0; i < size; ++i)
        drift[i] = (float) (drift[i] - mean);
}
