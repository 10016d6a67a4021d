#include "QmPWTriangle.h"
#include "QmPulseWave.h"
#include "QmSawWave.h"
#include "QmTriangleWave.h"
#include "QmTwistedSawWave.h"
#include "QmWrappedSawWave.h"

#include <gtest/gtest.h>

#include <cmath>

TEST (OscillatorWaves, ValuesAndSlopesAtTheirCorners)
{
    QmSawWave saw;
    EXPECT_FLOAT_EQ (saw.value (0.3f), 0.3f);
    EXPECT_FLOAT_EQ (saw.slope (0.7f), 1.0f);

    QmTriangleWave tri;
    EXPECT_FLOAT_EQ (tri.value (0.5f), 1.0f);
    EXPECT_FLOAT_EQ (tri.slope (0.5f), -2.0f);
    EXPECT_FLOAT_EQ (tri.value (0.0f), 0.0f);
    EXPECT_FLOAT_EQ (tri.slope (0.0f), 2.0f);
    EXPECT_FLOAT_EQ (tri.value (0.75f), 0.5f);

    QmPulseWave pulse;
    EXPECT_FLOAT_EQ (pulse.value (0.49f), 1.0f);
    EXPECT_FLOAT_EQ (pulse.value (0.5f), 0.0f);
    pulse.width = 0.0f;
    EXPECT_FLOAT_EQ (pulse.value (0.0f), 0.0f);
    pulse.width = 1.0f;
    EXPECT_FLOAT_EQ (pulse.value (0.999f), 1.0f);

    QmPWTriangle pwt;
    pwt.setWidth (0.25f, 0.001f);
    EXPECT_FLOAT_EQ (pwt.value (0.25f), 1.0f);
    EXPECT_FLOAT_EQ (pwt.slope (0.25f), -1.0f / 0.75f);
    EXPECT_FLOAT_EQ (pwt.value (0.125f), 0.5f);
    EXPECT_FLOAT_EQ (pwt.slope (0.1f), 4.0f);
    EXPECT_FLOAT_EQ (pwt.value (0.625f), 0.5f);

    QmWrappedSawWave wrapped;
    EXPECT_FLOAT_EQ (wrapped.value (-0.25f), 0.5f);
    EXPECT_FLOAT_EQ (wrapped.value (0.25f), 0.5f);
    EXPECT_FLOAT_EQ (wrapped.slope (0.75f), -2.0f);

    QmTwistedSawWave twisted;
    EXPECT_NEAR (twisted.value (0.0f), 0.0f, 1e-6f);
    EXPECT_NEAR (twisted.value (1.0f), 0.0f, 1e-6f);
    const double e = std::exp (1.0);
    EXPECT_NEAR (twisted.value (0.5f), -(1.0 - (std::exp (0.5) - 1.0) / (e - 1.0)) + 0.5, 1e-5);
    EXPECT_NEAR (twisted.slope (0.0f), e / (e - 1.0), 1e-5);
}

// The corner lists must describe what value() and slope() do on either side,
// or the corrector cancels jumps that are not there.
TEST (OscillatorWaves, CornersMatchTheShapeAroundThem)
{
    QmSawWave saw;
    QmTriangleWave tri;
    QmPulseWave pulse;
    pulse.width = 0.3f;
    pulse.corners[1]->position = 0.3f;
    QmPWTriangle pwt;
    pwt.setWidth (0.7f, 0.001f);
    QmWrappedSawWave wrapped;

    QmWave* waves[] = { &saw, &tri, &pulse, &pwt, &wrapped };
    const float eps = 1e-4f;

    for (QmWave* w : waves)
    {
        ASSERT_GE (w->cornerCount, 1);

        for (int i = 0; i < w->cornerCount; ++i)
        {
            const QmWaveCorner& c = *w->corners[i];
            const float before = c.position - eps < 0.0f ? c.position - eps + 1.0f : c.position - eps;
            const float after = c.position + eps >= 1.0f ? c.position + eps - 1.0f : c.position + eps;

            SCOPED_TRACE (testing::Message() << "wave " << (w == &saw ? "saw" : w == &tri ? "triangle" : w == &pulse ? "pulse" : w == &pwt ? "pw triangle" : "wrapped") << " corner " << i);
            EXPECT_NEAR (w->value (before), c.valueBefore, 1e-3);
            EXPECT_NEAR (w->value (after), c.valueAfter, 1e-3);
            EXPECT_NEAR (w->slope (before), c.slopeBefore, 1e-3);
            EXPECT_NEAR (w->slope (after), c.slopeAfter, 1e-3);
        }
    }
}

TEST (OscillatorWaves, PWTriangleKeepsItsRiseBandLimitable)
{
    QmPWTriangle pwt;

    pwt.setWidth (0.3f, 0.01f);     // rise of 30 samples: kept
    EXPECT_FLOAT_EQ (pwt.width, 0.3f);
    EXPECT_FLOAT_EQ (pwt.corners[1]->position, 0.3f);
    EXPECT_FLOAT_EQ (pwt.corners[0]->slopeAfter, 1.0f / 0.3f);
    EXPECT_FLOAT_EQ (pwt.corners[0]->slopeBefore, -1.0f / 0.7f);
    EXPECT_FLOAT_EQ (pwt.corners[1]->slopeBefore, 1.0f / 0.3f);
    EXPECT_FLOAT_EQ (pwt.corners[1]->slopeAfter, -1.0f / 0.7f);
    EXPECT_FLOAT_EQ (pwt.corners[1]->valueBefore, 1.0f);

    pwt.setWidth (0.0f, 0.005f);    // clamped, then widened to ten increments
    EXPECT_NEAR (pwt.width, 0.05f, 1e-7f);

    pwt.setWidth (0.5f, 0.2f);      // the guard would ask for 2.0
    EXPECT_FLOAT_EQ (pwt.width, 0.5f);

    pwt.setWidth (0.9f, 0.1f);      // a guarded width above a half is capped at a half
    EXPECT_FLOAT_EQ (pwt.width, 0.5f);
    EXPECT_FLOAT_EQ (pwt.corners[1]->position, 0.5f);

    pwt.setWidth (1.5f, 0.0001f);
    EXPECT_FLOAT_EQ (pwt.width, 0.999f);
}
