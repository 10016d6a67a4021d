#include "FilterTestRig.h"
#include "QmHPFilterCore.h"

#include <gtest/gtest.h>

#include <limits>

using namespace filtertest;

namespace
{
    constexpr double rate = 88200.0;

    std::vector<float> run (Rig& rig, const std::vector<float>& in, const HighPassSettings& s)
    {
        qmSrand (1);
        QmHPFilterModule filter (&rig.context);
        return render (filter, in, s);
    }

    double gainAt (double cutoffHz, double toneHz, float resonance)
    {
        Rig& rig = sharedRig();
        HighPassSettings s;
        s.cutoff = octavesFor (cutoffHz);
        s.resonance = resonance;
        return toneAmplitude (run (rig, sine (toneHz, 0.1f, 8192, rate), s), toneHz, rate) / 0.1;
    }
}

TEST (HPFilter, SocketsNameAndRateChange)
{
    Rig rig;
    QmHPFilterModule filter (&rig.context);
    EXPECT_EQ (filter.name, "HPF");

    const char* inputs[] = { "Input", "Freq", "Mode", "Resonance", "Mode", "Kbd" };
    const uint32_t kinds[] = { 1, 1, 0, 0, 0, 1 };
    ASSERT_EQ (filter.inputs.size(), 6u);
    for (size_t i = 0; i < 6; ++i)
    {
        EXPECT_EQ (filter.inputs[i]->name, inputs[i]);
        EXPECT_EQ (filter.inputs[i]->kind, kinds[i]);
    }
    EXPECT_EQ (filter.findInput ("Mode", 1), filter.trackIn);
    EXPECT_EQ (filter.outputs[0]->name, "Out");

    // A 3 Hz DC blocker against the context rate; a rate change clears the stage.
    EXPECT_NEAR (filter.dcBlock.a, std::exp (-2.0 * pi * 3.0 / rate), 1e-6);
    EXPECT_NEAR (filter.dcBlock.b0, (filter.dcBlock.a + 1.0f) * 0.5f, 1e-7);
    EXPECT_NEAR (filter.dcBlock.b1, -(filter.dcBlock.a + 1.0f) * 0.5f, 1e-7);

    filter.stage.s0 = filter.stage.s1 = 0.3f;
    rig.context.sampleRate = 96000.0f;
    filter.sampleRateChanged();
    EXPECT_EQ (filter.stage.s0, 0.0f);
    EXPECT_EQ (filter.stage.s1, 0.0f);
    EXPECT_NEAR (filter.dcBlock.a, std::exp (-2.0 * pi * 3.0 / 96000.0), 1e-6);
}

TEST (HPFilter, CutoffZeroBypassesUntouched)
{
    Rig& rig = sharedRig();
    QmHPFilterModule filter (&rig.context);
    const auto in = sine (50.0, 0.7f, 512, rate);
    HighPassSettings s;
    s.cutoff = 0.0f;
    s.resonance = 1.0f;

    EXPECT_EQ (render (filter, in, s), in);
    EXPECT_EQ (filter.stage.s0, 0.0f);
    EXPECT_EQ (filter.stage.s1, 0.0f);
    EXPECT_EQ (filter.dcBlock.x1, 0.0f);
    EXPECT_EQ (filter.dcBlock.y1, 0.0f);
}

TEST (HPFilter, ResponseAndResonanceCompensation)
{
    // At res 0 a one-pole high-pass: -3 dB at the cutoff, 6 dB per octave below.
    EXPECT_NEAR (decibels (gainAt (500, 500, 0.0f)), -3.0, 0.5);
    EXPECT_NEAR (decibels (gainAt (500, 62.5, 0.0f) / gainAt (500, 125, 0.0f)), -6.0, 0.8);
    EXPECT_NEAR (gainAt (500, 8000, 0.0f), 1.0, 0.02);

    // Resonance steepens the skirt and peaks at the cutoff.
    EXPECT_LT (decibels (gainAt (500, 62.5, 0.365f) / gainAt (500, 125, 0.365f)), -10.0);
    EXPECT_GT (gainAt (500, 500, 1.0f), 3.0);

    // The passband is divided by comp: 1 up to "Resonance" 0.365, 2^(2 x 0.58) at 1.
    EXPECT_NEAR (gainAt (500, 8000, 0.365f), 1.0, 0.03);
    EXPECT_NEAR (gainAt (500, 8000, 1.0f), 1.0 / std::pow (2.0, 2.0 * 0.58), 0.03);
}

TEST (HPFilter, KeyboardTrackingAndCutoffLimits)
{
    Rig& rig = sharedRig();
    const auto in = sine (300.0, 0.5f, 1024, rate);

    HighPassSettings plain;
    plain.cutoff = 7.0f;
    plain.resonance = 0.5f;

    // Keyboard at 5 octaves: the cutoff is the "Freq" input; 6 octaves doubles it.
    HighPassSettings tracked = plain;
    tracked.track = true;
    tracked.kbd = 5.0f;
    EXPECT_EQ (run (rig, in, tracked), run (rig, in, plain));

    tracked.kbd = 6.0f;
    HighPassSettings octaveUp = plain;
    octaveUp.cutoff = 8.0f;
    const auto a = run (rig, in, tracked), b = run (rig, in, octaveUp);
    for (size_t i = 0; i < a.size(); ++i)
        ASSERT_NEAR (a[i], b[i], 1e-4f) << i;

    // Above 17000 Hz the cutoff is 17000 Hz.
    HighPassSettings top = plain, higher = plain;
    top.cutoff = 11.1f;     // 17941 Hz
    higher.cutoff = 12.0f;
    EXPECT_EQ (run (rig, in, top), run (rig, in, higher));
    top.cutoff = 10.9f;     // 15619 Hz
    EXPECT_NE (run (rig, in, top), run (rig, in, higher));

    // At a low engine rate the kernel caps it at a quarter of the rate.
    Rig& slow = sharedRig (16000.0f);
    HighPassSettings quarter = plain;
    quarter.cutoff = octavesFor (4000.0);
    EXPECT_EQ (run (slow, in, quarter), run (slow, in, higher));
}

TEST (HPFilter, StableWithLoudInputsAndRecoversFromBrokenState)
{
    Rig& rig = sharedRig();
    std::vector<float> loud (2048);
    for (size_t i = 0; i < loud.size(); ++i)
        loud[i] = (i / 50) % 2 ? 30.0f : -30.0f;

    for (float res : { 0.0f, 0.5f, 1.0f })
        for (float cutoff : { 0.5f, 6.0f, 11.0f, 14.0f })
        {
            HighPassSettings s;
            s.cutoff = cutoff;
            s.resonance = res;
            ASSERT_TRUE (allFinite (run (rig, loud, s), 1000.0f)) << res << " " << cutoff;
        }

    QmHPFilterModule filter (&rig.context);
    HighPassSettings s;
    s.resonance = 0.5f;
    render (filter, std::vector<float> (64, std::numeric_limits<float>::quiet_NaN()), s);
    const auto out = render (filter, sine (2000.0, 0.5f, 256, rate), s);
    EXPECT_TRUE (allFinite (out, 10.0f));
    EXPECT_GT (toneAmplitude (out, 2000.0, rate), 0.1);
}

TEST (HPFilter, KernelFollowsItsFormulaStepByStep)
{
    // The block kernel keeps the states in registers and reads the curve
    // through its precomputed cubics. The curve's quotient is sensitive to
    // every rounding of s1, so the states must match the formula exactly;
    // only the output scaling (one product for two divisions) may round apart.
    auto formula = [] (QmJFetStage& st, float x, float T, float res)
    {
        const float u = 0.1f * x;
        const int r = qmRand() % 1000;
        const float K1 = (10.0f * res) * (((float) r * 0.001f - 0.5f) * 0.01f + 1.0f);
        const float m = st.nonlin->lookup ((st.s1 + 0.1f) * 2.0f);
        const float K = (m / 10.0f) * K1;
        const float G = T / (T + 1.0f), h = 1.0f / (T + 1.0f);
        const float b0 = st.s0 * h, b1 = st.s1 * h;
        const float y = (b1 + G * b0 + G * G * u) / (1.0f + (G * G - G) * K);
        const float fb = K * y, v = u - fb, lp = G * v + b0, hp = v - lp;
        st.s0 += 2.0f * T * hp;
        st.s1 += 2.0f * T * (fb + lp - y);
        return 10.0f * hp;
    };

    const int n = 4096;
    std::vector<float> in ((size_t) n), T ((size_t) n);
    for (int i = 0; i < n; ++i)
    {
        in[(size_t) i] = (float) (std::sin (i * 0.05) + 0.5 * std::sin (i * 0.0071)) * (i < 2048 ? 0.3f : 3.0f);
        T[(size_t) i] = (float) std::tan (pi * (10.0 + 5.3 * i) / rate);   // 10 Hz .. about 21.7 kHz
    }

    for (float res : { 0.0f, 0.3f, 0.685f })
    {
        QmJFetStage fast, plain;
        std::vector<float> got = in, want ((size_t) n);

        qmSrand (7);
        QmHPFilterCore::processBlock (fast, got.data(), T.data(), n, res, 3.03f, 1.0f / (3.03f * 1.7f));
        qmSrand (7);
        for (int i = 0; i < n; ++i)
            want[(size_t) i] = formula (plain, 3.03f * in[(size_t) i], T[(size_t) i], res) / 3.03f / 1.7f;

        for (int i = 0; i < n; ++i)
            ASSERT_NEAR (got[(size_t) i], want[(size_t) i], 2.5e-7f * std::abs (want[(size_t) i])) << res << " " << i;
        EXPECT_EQ (fast.s0, plain.s0) << res;
        EXPECT_EQ (fast.s1, plain.s1) << res;

    }
}
