#include "QmDriftGenerator.h"
#include "QmRandom.h"

#include <cmath>
#include <cstdlib>

namespace
{
    constexpr int tableSize = (int) QmDriftGenerator::length;

    // Polar method. The spare is per thread, like the random state it comes
    // from, and kept where a thread's first use allocates nothing as well.
    thread_local bool spareAvailable __attribute__ ((tls_model ("initial-exec"))) = false;
    thread_local double spare __attribute__ ((tls_model ("initial-exec"))) = 0.0;

    double uniformFromRand()
    {
        return (double) (qmRand() % 10000) * 2.0 / 10000.0 - 1.0;
    }

    double nextGaussian()
    {
        if (spareAvailable)
        {
            spareAvailable = false;
            return spare;
        }

        double u1, u2, s;

        do
        {
            u1 = uniformFromRand();
            u2 = uniformFromRand();
            s = u2 * u2 + u1 * u1;
        }
        while (s >= 1.0 || s == 0.0);   // log(0) would poison both tables

        const double m = std::sqrt (-2.0 * (double) std::log ((float) s) / s);
        spare = m * u2;
        spareAvailable = true;
        return m * u1;
    }
}

QmDriftGenerator::QmDriftGenerator()
    : storage { QmAlignedBuffer ((size_t) tableSize), QmAlignedBuffer ((size_t) tableSize) }
{
    tables[0] = storage[0].get();
    tables[1] = storage[1].get();
    buildNoiseTable();
    buildDriftTable();
}

void QmDriftGenerator::buildNoiseTable()
{
    float* noise = tables[0];
    double sum = 0.0;

    for (int i = 0; i < tableSize; ++i)
    {
        noise[i] = (float) nextGaussian();
        sum += noise[i];
    }

    const double mean = sum / length;

    for (int i = 0; i < tableSize; ++i)
        noise[i] = (float) (noise[i] - mean);
}

void QmDriftGenerator::buildDriftTable()
{
    const float* noise = tables[0];
    float* drift = tables[1];
    double acc = 0.0, maxValue = -1e7, minValue = 1e7;

    for (int i = 0; i < tableSize; ++i)
    {
        acc = (acc + noise[i] * 0.001) * 0.999;
        drift[i] = (float) acc;
        maxValue = std::fmax (maxValue, drift[i]);
        minValue = std::fmin (minValue, drift[i]);
    }

    const double range = maxValue - minValue;
    double sum = 0.0;

    for (int i = 0; i < tableSize; ++i)
    {
        drift[i] = (float) ((drift[i] - range / 2.0) * (1.0 / range));
        sum += drift[i];
    }

    const double mean = sum / length;

    for (int i = 0; i < tableSize; ++i)
        drift[i] = (float) (drift[i] - mean);
}

QmDriftTap* QmDriftGenerator::createTap (int table)
{
    auto* tap = new QmDriftTap();
    tap->table = (table == 0 || table == 1) ? tables[table] : nullptr;
    tap->position = offset;
    tap->length = tableSize;

    offset += tapSpacing;

    if (offset >= tableSize)
        offset -= tableSize;

    return tap;
}
