#include "QmHumNoiseSource.h"
#include "QmRandom.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace
{
    float* allocateBuffer()
    {
        auto* buffer = static_cast<float*> (std::aligned_alloc (32, QmHumNoiseSource::bufferSize * sizeof (float)));
        std::memset (buffer, 0, QmHumNoiseSource::bufferSize * sizeof (float));
        return buffer;
    }
}

QmHumNoiseSource::QmHumNoiseSource (int r)
    : noise (allocateBuffer()), hum (allocateBuffer()), spare (allocateBuffer()), rate (r)
{
    highPass.setFrequency (3.0f, true);
}

QmHumNoiseSource::~QmHumNoiseSource()
{
    std::free (noise);
    std::free (hum);
    std::free (spare);
}

void QmHumNoiseSource::fill (int n) noexcept
{
    n = std::clamp (n, 0, bufferSize);
    const float step = 50.0f / (float) rate;

    for (int i = 0; i < n; ++i)
    {
        // Only the troughs of a 50 Hz sine pass: bumps from -0.5 to -1.
        hum[i] = std::min (std::sin (6.2831855f * phase), -0.5f);
        noise[i] = ((float) (qmRand() % 1000) * 0.001f - 0.5f) * 2.0f;

        phase += step;
        if (phase > 1.0f)
            phase -= 1.0f;
    }

    phase = std::fabs (phase);

    for (int i = 0; i < n; ++i)
        hum[i] = highPass.step (hum[i]);
}
