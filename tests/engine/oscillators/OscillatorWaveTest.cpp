#include "QmPWTriangle.h"
#include "QmPulseWave.h"
#include "QmSawWave.h"
#include "QmTriangleWave.h"
#include "QmWrappedSawWave.h"

#include <gtest/gtest.h>

#include <cstring>

// Corners must agree with the values and slopes on either side of them, or
// the corrector would cancel jumps that are not there.
TEST (OscillatorWaves, CornersAgreeWithTheirShapesAndShortcutsMatchThePlainFormulas)
{
    QmSawWave saw;
    QmTriangleWave tri;
    QmPulseWave pulse;
    QmPWTriangle pwt;
    QmWrappedSawWave wrapped;
    pulse.width = pulse.corners[1]->position = 0.3f;
    pwt.setWidth (0.25f, 0.001f);

    for (QmWave* w : std::initializer_list<QmWave*> { &saw, &tri, &pulse, &pwt, &wrapped })
        for (int i = 0; i < w->cornerCount; ++i)
        {
            const QmWaveCorner& c = *w->corners[i];
            const float before = std::fmod (c.position + 0.9999f, 1.0f), after = std::fmod (c.position + 0.0001f, 1.0f);
            EXPECT_NEAR (w->value (before), c.valueBefore, 1e-3f) << w->cornerCount << " " << i;
            EXPECT_NEAR (w->value (after), c.valueAfter, 1e-3f) << w->cornerCount << " " << i;
            EXPECT_NEAR (w->slope (before), c.slopeBefore, 1e-3f) << w->cornerCount << " " << i;
            EXPECT_NEAR (w->slope (after), c.slopeAfter, 1e-3f) << w->cornerCount << " " << i;
        }

    // The triangle's rise is kept at least ten samples long (up to half the
    // cycle). Width and phase wrap take shortcuts for the common case; they must
    // agree with the plain formulas to the bit: a width set afresh on a new
    // triangle, the phase minus its floor (1 rounding to 0).
    QmPWTriangle reused;
    const float requests[][3] = { { 0.3f, 0.01f, 0.3f }, { 0.3f, 0.05f, 0.5f }, { 0.3f, 0.01f, 0.3f }, { 0.3f, 0.01f, 0.3f },   // width,
                                  { 0.0f, 0.005f, 0.05f }, { 0.9f, 0.1f, 0.5f }, { 1.5f, 1e-4f, 0.999f } };               // increment, set
    for (const auto& r : requests)
    {
        QmPWTriangle fresh;
        fresh.setWidth (r[0], r[1]);
        reused.setWidth (r[0], r[1]);
        EXPECT_NEAR (fresh.width, r[2], 1e-7f) << r[0] << " " << r[1];
        const float w = fresh.width;    // the peak and both slopes, and the corners on them
        EXPECT_EQ (fresh.value (w), 1.0f) << w;
        EXPECT_NEAR (fresh.value (0.5f + w * 0.5f), 0.5f, 1e-3f) << w;
        EXPECT_EQ (fresh.corners[1]->position, w);
        EXPECT_EQ (fresh.corners[0]->slopeAfter, fresh.slope (w * 0.5f)) << w;
        EXPECT_EQ (fresh.corners[1]->slopeAfter, fresh.slope (0.5f + w * 0.5f)) << w;
        EXPECT_EQ (reused.width, fresh.width) << r[0] << " " << r[1];
        EXPECT_EQ (std::memcmp (reused.corners[0], fresh.corners[0], sizeof (QmWaveCorner)), 0) << r[0] << " " << r[1];
        EXPECT_EQ (std::memcmp (reused.corners[1], fresh.corners[1], sizeof (QmWaveCorner)), 0) << r[0] << " " << r[1];
    }

    for (float x : { -0.0f, -1e-30f, -1e-8f, 0.99999994f, 1.0f, 4.0f, -3.7f, 2.3f, 8388607.5f, 8388608.0f, 3e9f, -3e9f })
    {
        const float a = qmWrapPhase (x), b = qmWrapPhasePlain (x);
        ASSERT_EQ (a, b) << x;
        ASSERT_EQ (std::signbit (a), std::signbit (b)) << x << " " << a << " " << b;
    }
    EXPECT_TRUE (std::isnan (qmWrapPhase (std::nanf (""))));
}
