#include "QmOnePole.h"

#include <cmath>

namespace
{
    constexpr double pi = 3.141592653589793;
}

void QmOnePole::setFrequency (float frequency, bool highPass)
{
    const float x = frequency / 44100.0f;
    const float w = (float) (-2.0 * pi * (double) x);
    setFromPole (std::exp (w), highPass);
}

void QmOnePole::setFrequencyAtRate (float frequency, float sampleRate, bool highPass)
{
    setFromPole (std::exp ((float) (-2.0 * pi * (double) (frequency / sampleRate))), highPass);
}

void QmOnePole::setFromPole (float pole, bool highPass)
{
    if (highPass)
    {
        b0 = (1.0f + pole) * 0.5f;
        b1 = (1.0f + pole) * -0.5f;
    }
    else
    {
        b1 = 0.0f;
        b0 = 1.0f - pole;
    }

    a = pole;
}
