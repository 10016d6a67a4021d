#include "QmPWTriangle.h"
#include "QmPulseWave.h"
#include "QmSawWave.h"
#include "QmTriangleWave.h"
#include "QmTwistedSawWave.h"
#include "QmWrappedSawWave.h"
#include "QmWave.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

// Values and slopes, and corner lists that agree with them on either side
// (or the corrector would cancel jumps that are not there).
TEST (OscillatorWaves, ShapesAndTheirCorners)
{
    QmSawWave saw;
    QmTriangleWave tri;
    QmPulseWave pulse;
    QmPWTriangle pwt;
    QmWrappedSawWave wrapped;
    QmTwistedSawWave twisted;

    EXPECT_EQ (tri.value (0.5f), 1.0f);
    EXPECT_EQ (tri.slope (0.5f), -2.0f);
    EXPECT_EQ (tri.slope (0.0f), 2.0f);
    EXPECT_EQ (pulse.value (0.5f), 0.0f);
    EXPECT_EQ (wrapped.value (-0.25f), 0.5f);
    EXPECT_NEAR (twisted.value (0.0f), 0.0f, 1e-6f);
    EXPECT_NEAR (twisted.value (1.0f), 0.0f, 1e-6f);
    EXPECT_NEAR (twisted.value (0.5f), -(1.0 - (std::exp (0.5) - 1.0) / (M_E - 1.0)) + 0.5, 1e-5);

    pulse.width = pulse.corners[1]->position = 0.3f;
    pwt.setWidth (0.25f, 0.001f);
    EXPECT_EQ (pwt.value (0.25f), 1.0f);
    EXPECT_FLOAT_EQ (pwt.slope (0.25f), -1.0f / 0.75f);
    EXPECT_FLOAT_EQ (pwt.value (0.625f), 0.5f);

    for (QmWave* w : std::initializer_list<QmWave*> { &saw, &tri, &pulse, &pwt, &wrapped })
        for (int i = 0; i < w->cornerCount; ++i)
        {
            const QmWaveCorner& c = *w->corners[i];
            const float before = std::fmod (c.position + 0.9999f, 1.0f), after = std::fmod (c.position + 0.0001f, 1.0f);
            EXPECT_NEAR (w->value (before), c.valueBefore, 1e-3) << i;
            EXPECT_NEAR (w->value (after), c.valueAfter, 1e-3) << i;
            EXPECT_NEAR (w->slope (before), c.slopeBefore, 1e-3) << i;
            EXPECT_NEAR (w->slope (after), c.slopeAfter, 1e-3) << i;
        }
}

TEST (OscillatorWaves, PWTriangleKeepsItsRiseTenSamplesLong)
{
    QmPWTriangle pwt;
    const float cases[][3] = { // width, increment, result
        { 0.3f, 0.01f, 0.3f }, { 0.0f, 0.005f, 0.05f }, { 0.5f, 0.2f, 0.5f }, { 0.9f, 0.1f, 0.5f }, { 1.5f, 1e-4f, 0.999f } };

    for (const auto& c : cases)
    {
        pwt.setWidth (c[0], c[1]);
        EXPECT_NEAR (pwt.width, c[2], 1e-7f) << c[0] << " " << c[1];
        EXPECT_EQ (pwt.corners[1]->position, pwt.width);
        EXPECT_FLOAT_EQ (pwt.corners[0]->slopeAfter, 1.0f / pwt.width);
        EXPECT_FLOAT_EQ (pwt.corners[1]->slopeAfter, -1.0f / (1.0f - pwt.width));
    }
}

// Both take shortcuts for the common case; they must agree with the plain
// formulas to the bit: the phase minus its floor (1 rounding to 0), and a
// width set afresh on a new triangle.
TEST (OscillatorWaves, ShortcutsAgreeWithThePlainFormulas)
{
    const auto plainWrap = [] (float x) { const float p = x - std::floor (x); return p >= 1.0f ? 0.0f : p; };
    std::vector<float> phases { -0.0f, -1e-30f, -1e-8f, 0.99999994f, 1.0f, 4.0f, 8388607.5f, 8388608.0f, 3e9f, -3e9f };
    for (int k = -3000; k <= 3000; ++k)
        phases.push_back ((float) k * 0.00731f + (float) k * 1e-9f);

    for (float x : phases)
    {
        const float a = qmWrapPhase (x), b = plainWrap (x);
        ASSERT_TRUE (a == b && std::signbit (a) == std::signbit (b)) << x << " " << a << " " << b;
    }
    EXPECT_TRUE (std::isnan (qmWrapPhase (std::nanf (""))));

    QmPWTriangle reused;
    const float requests[][2] = { { 0.5f, 0.001f }, { 0.3f, 0.01f }, { 0.3f, 0.05f }, { 0.3f, 0.01f }, { 0.3f, 0.01f }, { 0.0f, 0.005f },
                                  { 0.0f, 0.001f }, { 0.9f, 0.1f }, { 0.9f, 0.0f }, { 1.5f, 1e-4f }, { 0.5f, 0.2f } };
    for (const auto& r : requests)
    {
        QmPWTriangle fresh;
        fresh.setWidth (r[0], r[1]);
        reused.setWidth (r[0], r[1]);
        ASSERT_EQ (reused.width, fresh.width) << r[0] << " " << r[1];
        EXPECT_EQ (fresh.corners[0]->slopeAfter, (float) (1.0 / (double) fresh.width));
        for (int i = 0; i < 2; ++i)
        {
            EXPECT_EQ (reused.corners[i]->position, fresh.corners[i]->position);
            EXPECT_EQ (reused.corners[i]->slopeBefore, fresh.corners[i]->slopeBefore);
            EXPECT_EQ (reused.corners[i]->slopeAfter, fresh.corners[i]->slopeAfter);
        }
    }
}
