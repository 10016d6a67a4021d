#include "FilterTestRig.h"
#include "QmHPFilterCore.h"

#include <gtest/gtest.h>

using namespace filtertest;

namespace
{
    std::vector<float> run (const std::vector<float>& in, const HighPassSettings& s, float rate = 88200.0f)
    {
        Rig& rig = sharedRig (rate);    // before seeding: a new rig draws random numbers
        qmSrand (1);
        QmHPFilterModule filter (&rig.context);
        return render (filter, in, s);
    }

    double gainAt (double cutoffHz, double toneHz, float resonance)
    {
        return toneAmplitude (run (sine (toneHz, 0.1f, 8192), { octavesFor (cutoffHz), resonance }), toneHz) / 0.1;
    }
}

TEST (HPFilter, ResponseBypassTrackingLimitsStabilityAndThePlainStep)
{
    // At res 0 a one-pole high-pass: -3 dB at the cutoff, 6 dB per octave below.
    EXPECT_NEAR (decibels (gainAt (500, 500, 0.0f)), -3.0, 0.5);
    EXPECT_NEAR (decibels (gainAt (500, 62.5, 0.0f) / gainAt (500, 125, 0.0f)), -6.0, 0.8);

    // Resonance peaks at the cutoff; the passband is divided by 2^(2 x 0.58) at 1.
    EXPECT_GT (gainAt (500, 500, 1.0f), 3.0);
    EXPECT_NEAR (gainAt (500, 8000, 1.0f), 1.0 / std::pow (2.0, 2.0 * 0.58), 0.03);

    // A cutoff of exactly 0 passes the input untouched and leaves every state alone.
    QmHPFilterModule bypassed (&sharedRig().context);
    const auto in = sine (300.0, 0.5f, 1024);
    EXPECT_EQ (render (bypassed, in, { 0.0f, 1.0f }), in);
    EXPECT_EQ (bypassed.stage.s0, 0.0f);
    EXPECT_EQ (bypassed.stage.s1, 0.0f);
    EXPECT_EQ (bypassed.dcBlock.y1, 0.0f);

    // Keyboard at 5 octaves: the cutoff is the "Freq" input; 6 octaves doubles it.
    EXPECT_EQ (run (in, { 7.0f, 0.5f, true, 5.0f }), run (in, { 7.0f, 0.5f }));
    const auto a = run (in, { 7.0f, 0.5f, true, 6.0f }), b = run (in, { 8.0f, 0.5f });
    for (size_t i = 0; i < a.size(); ++i)
        ASSERT_NEAR (a[i], b[i], 1e-4f) << i;

    // Above 17000 Hz the cutoff is 17000 Hz (11.1 octaves are 17941 Hz); at a
    // low engine rate the kernel caps it at a quarter of the rate.
    EXPECT_EQ (run (in, { 11.1f, 0.5f }), run (in, { 12.0f, 0.5f }));
    EXPECT_EQ (run (in, { octavesFor (4000.0), 0.5f }, 16000.0f), run (in, { 12.0f, 0.5f }, 16000.0f));

    std::vector<float> loud (2048);
    for (size_t i = 0; i < loud.size(); ++i)
        loud[i] = (i / 50) % 2 ? 30.0f : -30.0f;

    for (float res : { 0.0f, 1.0f })
        for (float cutoff : { 0.5f, 6.0f, 14.0f })
            ASSERT_TRUE (allFinite (run (loud, { cutoff, res }), 1000.0f)) << res << " " << cutoff;

    QmHPFilterModule filter (&sharedRig().context);
    render (filter, std::vector<float> (64, std::numeric_limits<float>::quiet_NaN()), { 6.0f, 0.5f });
    const auto out = render (filter, sine (2000.0, 0.5f, 256), { 6.0f, 0.5f });
    EXPECT_TRUE (allFinite (out, 10.0f));
    EXPECT_GT (toneAmplitude (out, 2000.0), 0.1);

    // The block kernel keeps the states in registers and reads the curve
    // through its precomputed cubics. The curve's quotient is sensitive to
    // every rounding of s1, so the states must match the plain step exactly.
    const int n = 4096;
    std::vector<float> x ((size_t) n), T ((size_t) n);
    for (int i = 0; i < n; ++i)
        x[(size_t) i] = (float) (std::sin (i * 0.05) + 0.5 * std::sin (i * 0.0071)) * (i < 2048 ? 0.3f : 3.0f),
            T[(size_t) i] = (float) std::tan (pi * (10.0 + 5.3 * i) / 88200.0);   // 10 Hz .. about 21.7 kHz

    for (float res : { 0.0f, 0.685f })
    {
        QmJFetStage fast, plain;
        std::vector<float> got = x;
        qmSrand (7);
        QmHPFilterCore::processBlock (fast, got.data(), T.data(), n, res, 3.03f, 1.0f / (3.03f * 1.7f));
        qmSrand (7);
        for (int i = 0; i < n; ++i)
        {
            const float want = QmHPFilterCore::plainStep (plain, 3.03f * x[(size_t) i], T[(size_t) i], res) / 3.03f / 1.7f;
            ASSERT_NEAR (got[(size_t) i], want, 2.5e-7f * std::abs (want)) << res << " " << i;
        }
        EXPECT_EQ (fast.s0, plain.s0) << res;
        EXPECT_EQ (fast.s1, plain.s1) << res;
        EXPECT_EQ (fast.nonlin->lastPos, plain.nonlin->lastPos) << res;
        EXPECT_EQ (fast.nonlin->lastValue, plain.nonlin->lastValue) << res;

        // A one-pole run in the same pass gives what it gives after it.
        QmJFetStage fused;
        QmOnePole inPass, after;
        inPass.setFrequencyAtRate (3.0f, 88200.0f, true), after = inPass;
        std::vector<float> filtered = x;
        qmSrand (7);
        QmHPFilterCore::processBlock (fused, filtered.data(), T.data(), n, res, 3.03f, 1.0f / (3.03f * 1.7f), &inPass);
        for (auto& y : got)
            y = after.step (y);
        EXPECT_EQ (filtered, got) << res;
        EXPECT_EQ (inPass.y1, after.y1) << res;
        EXPECT_EQ (inPass.x1, after.x1) << res;
    }
}
