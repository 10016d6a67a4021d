#include "QmHumNoiseSource.h"
#include "QmRandom.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

QmHumNoiseSource::QmHumNoiseSource (int r)
    : rate (r), noiseStorage (bufferSize), humStorage (bufferSize), spareStorage (bufferSize)
{
    noise = noiseStorage.get();
    hum = humStorage.get();
    spare = spareStorage.get();
    highPass.setFrequency (3.0f, true);
}

void QmHumNoiseSource::fill (int n) noexcept
{
    n = std::clamp (n, 0, bufferSize);
    const float step = 50.0f / (float) rate;

    // Locals, so that the stores to the buffers cannot alias the state.
    float* const h = hum;
    float* const w = noise;
    float p = phase;
    QmOnePole filter = highPass;
    unsigned int& threadRandom = qmRandState();
    unsigned int random = threadRandom;

    for (int i = 0; i < n; ++i)
    {
        // Only the troughs of a 50 Hz sine pass: bumps from -0.5 to -1. Away
        // from them (below 7/12 or above 11/12 of a cycle, where the float
        // sine still rounds to at least -0.5) it need not be computed.
        const bool clipped = (p >= 0.0f && p < clippedBelow) || (p > clippedAbove && p <= 1.0f);
        const float bump = clipped ? -0.5f : trough (p);

        // The 3 Hz high-pass that follows removes the -0.5 offset.
        h[i] = filter.step (bump);
        w[i] = ((float) (qmRandNext (random) % 1000) * 0.001f - 0.5f) * 2.0f;

        p += step;
        if (p > 1.0f)
            p -= 1.0f;
    }

    phase = std::fabs (p);
    highPass = filter;
    threadRandom = random;
}

void QmHumNoiseSource::reset() noexcept
{
    phase = 0.0f;
    highPass.clear();
}

void QmHumNoiseSource::plainStep (float& phase, QmOnePole& highPass, unsigned int& random, int rate, float& hum, float& noise) noexcept
{
    hum = highPass.step (trough (phase));
    noise = ((float) (qmRandNext (random) % 1000) * 0.001f - 0.5f) * 2.0f;

    if ((phase += 50.0f / (float) rate) > 1.0f)
        phase -= 1.0f;
}
