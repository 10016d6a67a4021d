#include "QmHPFilterCore.h"

#include "QmRandom.h"

#include <algorithm>
#include <cmath>

namespace
{
    // One sample on the states s0 and s1, in the order of the formula: the
    // curve's difference quotient feeds back at a position read from s1 with a
    // resolution of 1/4096 of a table step, so even a one-ulp change of s1
    // changes the next quotient by up to a few tenths of a percent. The kernel
    // therefore keeps every rounding step of the formula.
    inline float tick (float& s0, float& s1, QmNonlin& nonlin, float x, float T, float res, int random) noexcept
    {
        const float u = 0.1f * x;

        const float K1 = (10.0f * res) * (((float) random * 0.001f - 0.5f) * 0.01f + 1.0f);

        const float m = nonlin.lookup ((s1 + 0.1f) * 2.0f);
        const float K = (m / 10.0f) * K1;

        const float G = T / (T + 1.0f);
        const float h = 1.0f / (T + 1.0f);
        const float b0 = s0 * h;
        const float b1 = s1 * h;

        const float y = (b1 + G * b0 + G * G * u) / (1.0f + (G * G - G) * K);

        const float fb = K * y;
        const float v = u - fb;
        const float lp = G * v + b0;
        const float hp = v - lp;

        s0 += 2.0f * T * hp;
        s1 += 2.0f * T * (fb + lp - y);
        return 10.0f * hp;
    }
}

float QmHPFilterCore::process (QmJFetStage& stage, float x, float f, float res, float rate) noexcept
{
    f = std::min (f, rate * 0.25f);
    return processPrewarped (stage, x, std::tan (3.14159265f * f / rate), res);
}

float QmHPFilterCore::processPrewarped (QmJFetStage& stage, float x, float T, float res) noexcept
{
    return tick (stage.s0, stage.s1, *stage.nonlin, x, T, res, qmRand() % 1000);
}

void QmHPFilterCore::processBlock (QmJFetStage& stage, float* x, const float* T, int n, float res,
                                   float inScale, float outScale) noexcept
{
    float s0 = stage.s0, s1 = stage.s1;
    QmNonlin& nonlin = *stage.nonlin;

    // The jitter is drawn ahead, in the same order: a call inside the loop
    // would push the states out of registers at every sample.
    constexpr int chunk = 256;
    int random[chunk];

    for (int start = 0; start < n; start += chunk)
    {
        const int end = std::min (n, start + chunk);

        for (int i = start; i < end; ++i)
            random[i - start] = qmRand() % 1000;

        for (int i = start; i < end; ++i)
            x[i] = tick (s0, s1, nonlin, inScale * x[i], T[i], res, random[i - start]) * outScale;
    }

    stage.s0 = s0;
    stage.s1 = s1;
}
