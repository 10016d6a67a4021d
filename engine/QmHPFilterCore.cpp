#include "QmHPFilterCore.h"

#include "QmRandom.h"

#include <algorithm>
#include <cmath>

float QmHPFilterCore::process (QmJFetStage& stage, float x, float f, float res, float rate) noexcept
{
    f = std::min (f, rate * 0.25f);
    return processPrewarped (stage, x, std::tan (3.14159265f * f / rate), res);
}

float QmHPFilterCore::processPrewarped (QmJFetStage& stage, float x, float T, float res) noexcept
{
    const float u = 0.1f * x;

    const int r = qmRand() % 1000;
    const float K1 = (10.0f * res) * (((float) r * 0.001f - 0.5f) * 0.01f + 1.0f);

    const float m = stage.nonlin->lookup ((stage.s1 + 0.1f) * 2.0f);
    const float K = (m / 10.0f) * K1;

    const float G = T / (T + 1.0f);
    const float h = 1.0f / (T + 1.0f);
    const float b0 = stage.s0 * h;
    const float b1 = stage.s1 * h;

    const float y = (b1 + G * b0 + G * G * u) / (1.0f + (G * G - G) * K);

    const float fb = K * y;
    const float v = u - fb;
    const float lp = G * v + b0;
    const float hp = v - lp;

    stage.s0 += 2.0f * T * hp;
    stage.s1 += 2.0f * T * (fb + lp - y);

    return 10.0f * hp;
}
