#include "QmRandom.h"
#include "QmSpiceModule.h"
#include "VoiceTestSupport.h"

#include <gtest/gtest.h>

using namespace voicetest;

namespace
{
    constexpr int n = 2048;

    struct SpiceRig
    {
        explicit SpiceRig (float amount, float rate = 88200.0f)
            : spice (&context), source (&context), amountParam ("spread auto", amount, 0, &context)
        {
            context.sampleRate = rate;
            spice.sampleRateChanged();
            source.out->connect (spice.input);
            amountParam.connectTo (spice.amountIn);
            probe.tap (spice.out);
        }

        template <typename Fn>
        std::vector<float> run (Fn fn)
        {
            for (int i = 0; i < n; ++i)
                source.signal.buffer[i] = fn (i);
            pull (probe, n);
            return { probe.samples (0), probe.samples (0) + n };
        }

        QmProcessContext context;
        QmSpiceModule spice;
        Source source;
        QmParameter amountParam;
        Probe probe { &context };
    };

    float tones (int i) { return 0.4f * std::sin ((float) i * 0.3f) + 0.2f * std::sin ((float) i * 0.011f); }
}

TEST (Spice, OffPassesTheInputAndOnAddsTheFoldToEightTenthsOfIt)
{
    SpiceRig off (0.0f);
    const auto through = off.run (tones);
    for (int i = 0; i < n; ++i)
        ASSERT_EQ (through[(size_t) i], tones (i)) << i;

    // A constant settles to 0.8 of itself: the high-passes remove the fold.
    for (float level : { 0.3f, -0.05f, 0.0f })
    {
        SpiceRig rig (1.0f);
        const auto out = rig.run ([level] (int) { return level; });
        EXPECT_TRUE (std::all_of (out.begin(), out.end(), [] (float v) { return std::isfinite (v); }));
        EXPECT_NEAR (out.back(), 0.8f * level, 2e-3) << level;
    }

    // A moving input is folded: not just scaled by 0.8.
    SpiceRig rig (1.0f);
    const auto out = rig.run (tones);
    double diff = 0.0;
    for (int i = 512; i < n; ++i)
        diff = std::max (diff, (double) std::fabs (out[(size_t) i] - 0.8f * tones (i)));
    EXPECT_GT (diff, 0.05);

    // The coefficients ignore the engine's rate.
    SpiceRig at96 (1.0f, 96000.0f);
    EXPECT_EQ (at96.run (tones), out);
}

TEST (Spice, OutputStaysWithinFiveForLoudInput)
{
    SpiceRig rig (1.0f);
    float top = 0.0f;

    for (int block = 0; block < 4; ++block)
        for (float v : rig.run ([] (int) { return (float) (qmRand() % 2001 - 1000) * 0.05f; }))
        {
            ASSERT_TRUE (std::isfinite (v));
            top = std::max (top, std::fabs (v));
        }

    EXPECT_EQ (top, 5.0f);
}
