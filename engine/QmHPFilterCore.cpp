#include "QmHPFilterCore.h"

#include "QmRandom.h"

#include <algorithm>
#include <cmath>

namespace
{
    // One sample on the states s0 and s1. The curve's quotient m = 2 change /
    // step makes K = (m / 10) K1 a fraction, and the loop equation
    //   y = (b1 + G b0 + G^2 u) / (1 + (G^2 - G) K)
    // then shares its division with it: with r = 1 / (5 step + (G^2 - G) K1 change),
    // y = 5 step num r and the feedback K y = K1 change num r. Every later
    // quantity is linear in r, so the states need one multiply-add after it.
    inline float tick (float& s0, float& s1, QmNonlin& nonlin, float x, float T, float res) noexcept
    {
        const float u = 0.1f * x;

        const int random = qmRand() % 1000;
        const float K1 = (10.0f * res) * (((float) random * 0.001f - 0.5f) * 0.01f + 1.0f);

        float change, step;
        nonlin.lookupParts ((s1 + 0.1f) * 2.0f, change, step);

        const float h = 1.0f / (T + 1.0f);
        const float G = T * h;
        const float b0 = s0 * h;
        const float b1 = s1 * h;
        const float num = b1 + G * b0 + G * G * u;

        const float F = K1 * change * num;
        const float r = 1.0f / (5.0f * step + (G * G - G) * (K1 * change));

        // fb = F r and y = 5 step num r; v = u - fb, lp = G v + b0, so
        // hp = v - lp = h (u - s0) - h F r (1 - G = h), and
        // fb + lp - y = (G u + b0) + (h F - 5 step num) r.
        const float twoT = 2.0f * T;
        const float hF = h * F;
        const float hpOpen = h * (u - s0);
        const float s1Open = s1 + twoT * (G * u + b0);
        const float s1Slope = twoT * (hF - 5.0f * step * num);

        s0 = (s0 + twoT * hpOpen) - (twoT * hF) * r;
        s1 = s1Open + s1Slope * r;
        return 10.0f * (hpOpen - hF * r);
    }
}

float QmHPFilterCore::process (QmJFetStage& stage, float x, float f, float res, float rate) noexcept
{
    f = std::min (f, rate * 0.25f);
    return processPrewarped (stage, x, std::tan (3.14159265f * f / rate), res);
}

float QmHPFilterCore::processPrewarped (QmJFetStage& stage, float x, float T, float res) noexcept
{
    return tick (stage.s0, stage.s1, *stage.nonlin, x, T, res);
}

void QmHPFilterCore::processBlock (QmJFetStage& stage, float* x, const float* T, int n, float res,
                                   float inScale, float outScale) noexcept
{
    float s0 = stage.s0, s1 = stage.s1;
    QmNonlin& nonlin = *stage.nonlin;

    for (int i = 0; i < n; ++i)
        x[i] = tick (s0, s1, nonlin, inScale * x[i], T[i], res) * outScale;

    stage.s0 = s0;
    stage.s1 = s1;
}
