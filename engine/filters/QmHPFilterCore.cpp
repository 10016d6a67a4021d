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
    // therefore keeps every rounding step of the formula. Two exact rewrites
    // shorten the path through s1: the curve is read at (s1 + 0.1) 2 scale +
    // 2048 with the power-of-two scale doubled ahead, and the lookup's
    // quotient m = 2 q enters as q / 5, the same real number as m / 10.
    inline float tick (float& s0, float& s1, const QmNonlin& nonlin, QmNonlin::Cursor& cursor,
                       float twiceScale, float x, float T, float res, int random) noexcept
    {
        const float u = 0.1f * x;

        const float K1 = (10.0f * res) * (((float) random * 0.001f - 0.5f) * 0.01f + 1.0f);

        const float q = nonlin.halfLookupAt ((s1 + 0.1f) * twiceScale + 2048.0f, cursor);
        const float K = (q / 5.0f) * K1;

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
    QmNonlin& nonlin = *stage.nonlin;
    QmNonlin::Cursor cursor = nonlin.getCursor();
    const float y = tick (stage.s0, stage.s1, nonlin, cursor, 2.0f * nonlin.positionScale(), x, T, res, qmRand() % 1000);
    nonlin.setCursor (cursor);
    return y;
}

void QmHPFilterCore::processBlock (QmJFetStage& stage, float* x, const float* T, int n, float res,
                                   float inScale, float outScale, QmOnePole* after) noexcept
{
    // Locals: the stores to x could otherwise alias the states.
    float s0 = stage.s0, s1 = stage.s1;
    const QmNonlin& nonlin = *stage.nonlin;
    QmNonlin::Cursor cursor = nonlin.getCursor();
    const float twiceScale = 2.0f * nonlin.positionScale();
    QmOnePole post = after != nullptr ? *after : QmOnePole();

    // The jitter is drawn ahead, in the same order: a call inside the loop
    // would push the states out of registers at every sample.
    constexpr int chunk = 256;
    int random[chunk];
    unsigned int seed = qmRandState();

    for (int start = 0; start < n; start += chunk)
    {
        const int end = std::min (n, start + chunk);

        for (int i = start; i < end; ++i)
            random[i - start] = qmRandNext (seed) % 1000;

        for (int i = start; i < end; ++i)
        {
            const float y = tick (s0, s1, nonlin, cursor, twiceScale, inScale * x[i], T[i], res, random[i - start]) * outScale;
            x[i] = after != nullptr ? post.step (y) : y;
        }
    }

    if (after != nullptr)
        *after = post;

    qmRandState() = seed;
    stage.s0 = s0;
    stage.s1 = s1;
    stage.nonlin->setCursor (cursor);
}

float QmHPFilterCore::plainStep (QmJFetStage& st, float x, float T, float res) noexcept
{
    const float u = 0.1f * x;
    const float K1 = (10.0f * res) * (((float) (qmRand() % 1000) * 0.001f - 0.5f) * 0.01f + 1.0f);
    const float K = (st.nonlin->lookup ((st.s1 + 0.1f) * 2.0f) / 10.0f) * K1;
    const float G = T / (T + 1.0f), h = 1.0f / (T + 1.0f);
    const float b0 = st.s0 * h, b1 = st.s1 * h;

    // The loop solved for the low-pass output y, then the two integrators.
    const float y = (b1 + G * b0 + G * G * u) / (1.0f + (G * G - G) * K);
    const float fb = K * y, v = u - fb, lp = G * v + b0, hp = v - lp;
    st.s0 += 2.0f * T * hp;
    st.s1 += 2.0f * T * (fb + lp - y);
    return 10.0f * hp;
}
