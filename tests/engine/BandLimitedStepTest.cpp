#include "QmBlep.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

TEST (BandLimitedStep, BesselAndKaiserWindow)
{
    EXPECT_FLOAT_EQ (besselI0 (0.0f), 1.0f);
    EXPECT_NEAR (besselI0 (1.0f), 1.2660659, 1e-6);
    EXPECT_NEAR (besselI0 (20.0f) / 4.355828e7, 1.0, 1e-5);

    float w[7];
    kaiserWindow (7, w, 8.0f);
    EXPECT_FLOAT_EQ (w[3], 1.0f);
    EXPECT_NEAR (w[0], 1.0 / 427.564, 1e-5);
    for (int i = 0; i < 3; ++i)
    {
        EXPECT_FLOAT_EQ (w[i], w[6 - i]);
        EXPECT_LT (w[i], w[i + 1]);
    }

    float even[8];
    kaiserWindow (8, even, 8.0f);
    EXPECT_FLOAT_EQ (even[3], even[4]);
    EXPECT_LT (even[3], 1.0f);
    EXPECT_NEAR (even[0], 1.0 / 427.564, 1e-5);
}

TEST (BandLimitedStep, TablesHoldTheStepAndRampResiduals)
{
    auto b = std::make_unique<QmBlep>();

    EXPECT_NEAR (b->step[1024], 0.5, 0.01);
    EXPECT_NEAR (b->step[2047], 1.0, 1e-6);
    EXPECT_NEAR (b->step[0], 0.0, 1e-6);
    EXPECT_NEAR (*std::max_element (b->step, b->step + 2048), 1.036, 0.003);
    EXPECT_NEAR (*std::min_element (b->step, b->step + 2048), -0.036, 0.003);

    // cut off at a quarter of the rate: one sample either side of the jump a
    // half-band step stands near 0.5 -+ Si(pi / 2) / pi = 0.064, 0.936 (the
    // window widens it a little); a half-rate step would already be at 0.05
    EXPECT_NEAR (b->step[1024 - 128], 0.082, 0.005);
    EXPECT_NEAR (b->step[1024 + 128], 0.920, 0.005);
    EXPECT_NEAR (b->step[1024 - 256], -0.036, 0.005);

    EXPECT_NEAR (b->ramp[2047], 0.0, 1e-5);
    EXPECT_NEAR (b->ramp[0], 0.0, 1e-6);
    EXPECT_NEAR (b->ramp[1024], 0.48, 0.02);

    EXPECT_EQ (b->step[2048], b->step[2047]);
    EXPECT_EQ (b->ramp[2048], b->ramp[2047]);
    EXPECT_EQ (b->step[2049], 0.0f);
    EXPECT_EQ (b->ramp[2049], 0.0f);
}

namespace
{
    // A naive unit step at sample `at` (jump `f` of a sample before its end),
    // corrected, read back 17 samples later.
    std::vector<float> renderStep (QmBlep& b, int at, float f, int length)
    {
        std::vector<float> out;
        for (int i = 0; i < at + length; ++i)
        {
            if (i == at)
                b.addStep (f, 1.0f);
            const float y = b.process (i >= at ? 1.0f : 0.0f);
            if (i >= at - 10)
                out.push_back (y);
        }
        return out;
    }
}

TEST (BandLimitedStep, StepComesOutDelayedAndSmoothWhereverTheRingIs)
{
    auto b = std::make_unique<QmBlep>();

    for (int i = 0; i < 17; ++i)
        EXPECT_EQ (b->process (0.25f), 0.0f);
    for (int i = 0; i < 40; ++i)
        EXPECT_EQ (b->process (0.25f), 0.25f);

    auto reference = std::make_unique<QmBlep>();
    const auto expected = renderStep (*reference, 100, 0.3f, 60);

    // before the corner's influence 0, after it exactly 1, and the jump spread
    // over the ring in between, centred 17 samples after the naive one
    for (int i = 0; i < 10 + 17 - 8; ++i)
        EXPECT_NEAR (expected[(size_t) i], 0.0f, 1e-6f);
    for (size_t i = 10 + 17 + 8; i < expected.size(); ++i)
        EXPECT_NEAR (expected[i], 1.0f, 1e-6f);
    EXPECT_GT (expected[10 + 17 - 1], 0.1f);
    EXPECT_LT (expected[10 + 17 - 1], 0.9f);

    // slots wrap forwards (w + 7) and backwards (w - 8, the read at w - 17)
    for (int at : { 2045, 2048 + 3 })
    {
        auto w = std::make_unique<QmBlep>();
        const auto got = renderStep (*w, at, 0.3f, 60);
        ASSERT_EQ (got.size(), expected.size());
        for (size_t i = 0; i < got.size(); ++i)
            EXPECT_NEAR (got[i], expected[i], 1e-5f) << "at " << at << " sample " << i;
    }
}

TEST (BandLimitedStep, RefusedAndEmptyStepsLeaveTheRingAlone)
{
    auto b = std::make_unique<QmBlep>();
    b->process (0.0f);

    testing::internal::CaptureStdout();
    b->addStep (1.5f, 1.0f);
    b->addStep (0.5f, 0.0f);
    EXPECT_EQ (testing::internal::GetCapturedStdout(), "chuuj ");

    for (float r : b->ring)
        ASSERT_EQ (r, 0.0f);

    // a position of exactly one sample reads the guard entry
    b->addStep (1.0f, 1.0f);
    float sum = 0.0f;
    for (float r : b->ring)
        sum += std::abs (r);
    EXPECT_GT (sum, 0.0f);
    EXPECT_TRUE (std::isfinite (sum));
}

// A kink of slope D per sample corrected with -D / 4 must come out as the
// running sum of the band-limited step: its second difference is then the
// smooth step's first difference, never the naive kink of D in one sample.
TEST (BandLimitedStep, RampCorrectionSmoothsAKink)
{
    const float D = 0.01f;
    auto b = std::make_unique<QmBlep>();
    std::vector<float> y;

    for (int i = 0; i < 200; ++i)
    {
        const float naive = i < 100 ? 0.0f : D * ((float) (i - 100) + 0.4f);
        if (i == 100)
            b->addRamp (0.4f, -D / 4.0f);
        y.push_back (b->process (naive));
    }

    float maxSecond = 0.0f;
    for (size_t i = 1; i + 1 < y.size(); ++i)
        maxSecond = std::max (maxSecond, std::abs (y[i + 1] - 2 * y[i] + y[i - 1]));
    EXPECT_LT (maxSecond, 0.6f * D);

    // far from the corner the output is the naive ramp, 17 samples late
    for (int i = 150; i < 200; ++i)
        EXPECT_NEAR (y[(size_t) i], D * ((float) (i - 17 - 100) + 0.4f), 1e-5f);
    // the band-limited corner never leaves the straight lines by much
    for (int i = 117 - 8; i < 117 + 8; ++i)
        EXPECT_GT (y[(size_t) i], -0.05f * D);
}
