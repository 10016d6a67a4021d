#include "QmPlainOscillatorCore.h"
#include "QmPWTriangle.h"

#include <cmath>

float QmPlainOscillatorCore::render (float p, float d, float w, float s)
{
    p = p - std::floor (p);     // any phase, as phase modulation hands it over
    p = p >= 1.0f ? 0.0f : p;

    const auto sawOf = [&] (float gain) { return saw.renderBandLimited (corrector, p, d, gain, s); };

    const auto triangleOf = [&] (double width, float gain)    // a fresh one: no width remembered
    {
        QmPWTriangle fresh;
        fresh.setWidth ((float) width, d);
        return fresh.renderBandLimited (corrector, p, d, gain, s);
    };

    const auto pulseOf = [&] (double width, float gain)
    {
        pulse.width = pulse.corners[1]->position = (float) width;
        return pulse.renderBandLimited (corrector, p, d, gain, s);
    };

    const float x = (float) ((double) w * 4.0);

    // Smoothing mode's first quarter: a saw, then a triangle, through a
    // low-pass that closes and opens again.
    if (smoothing != 0 && x < 1.0f)
    {
        const float y = (float) ((double) x * 2.0), t = y < 1.0f ? 1.0f - y : y - 1.0f;
        const float v = y < 1.0f || t == 0.0f ? sawOf (-1.0f) : triangleOf (1.0 - (double) t * 0.5, -1.0f);
        smoother.setFrequencyAtRate ((float) ((double) (t * t * t) * 44100.0 + 150.0), rate, false);
        return smoother.step (corrector.process (v));
    }

    // The wave bank, a quarter of the control each.
    const float t = (float) ((double) x - std::floor ((double) x));
    float v = 0.0f;

    if (x == 0.0f)
    {
        v += sawOf (-1.0f);
    }
    else if (x < 1.0f)
    {
        v += triangleOf (1.0 - (double) x * 0.5, -1.0f);
    }
    else if (x < 2.0f)
    {
        v += triangleOf (0.5 - (double) t * 0.5, (float) -(1.0 - (double) t));
        v += sawOf (t);
    }
    else if (x < 3.0f)
    {
        v += sawOf ((float) (1.0 - (double) t));
        v += pulseOf ((double) t * 0.5, (float) -(0.7 * (double) t + 0.3));
    }
    else if (x < 4.0f)
    {
        v += pulseOf ((double) t * 0.5 + 0.5, -1.0f);
    }

    return corrector.process (v);
}
