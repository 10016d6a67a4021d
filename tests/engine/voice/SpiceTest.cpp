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
            context.sampleRate = rate, spice.sampleRateChanged();
            source.out->connect (spice.input), amountParam.connectTo (spice.amountIn), probe.tap (spice.out);
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

TEST (Spice, OffPassesOnFoldsWithinFiveAndBlocksMatchThePlainFoldToTheBit)
{
    const auto off = SpiceRig (0.0f).run (tones);
    for (int i = 0; i < n; ++i)
        ASSERT_EQ (off[(size_t) i], tones (i)) << i;

    // A constant settles to 0.8 of itself: the high-passes remove the fold.
    EXPECT_NEAR (SpiceRig (1.0f).run ([] (int) { return 0.3f; }).back(), 0.24f, 2e-3);

    // A moving input is folded, not just scaled by 0.8; the coefficients
    // ignore the engine's rate.
    const auto out = SpiceRig (1.0f).run (tones);
    float diff = 0.0f;
    for (int i = 512; i < n; ++i)
        diff = std::max (diff, std::fabs (out[(size_t) i] - 0.8f * tones (i)));
    EXPECT_GT (diff, 0.05f);
    EXPECT_EQ (SpiceRig (1.0f, 96000.0f).run (tones), out);

    // Loud input stays within 5.
    SpiceRig loud (1.0f);
    float top = 0.0f;
    for (int block = 0; block < 4; ++block)
        for (float v : loud.run ([] (int) { return (float) (qmRand() % 2001 - 1000) * 0.05f; }))
            top = std::isfinite (v) ? std::max (top, std::fabs (v)) : 1e9f;
    EXPECT_EQ (top, 5.0f);

    // A non-finite input poisons its block only: the next one starts afresh.
    for (float bad : { INFINITY, NAN })
    {
        SpiceRig rig (1.0f);
        rig.run ([bad] (int i) { return i == 100 ? bad : 0.3f; });
        const auto after = rig.run (tones);
        EXPECT_TRUE (std::all_of (after.begin(), after.end(), [] (float v) { return std::isfinite (v); })) << bad;
    }

    // Slow stretches (where the step is nudged), loud ones folding many
    // periods, both signs; blocks of whole and partial chunks, so the state
    // carries over.
    auto input = [] (int i) { return i % 700 < 200 ? 1.0e-5f * (float) (i % 700) - 0.05f : 3.0f * std::sin ((float) i * 0.07f) * (float) (i % 3); };
    SpiceRig rig (1.0f);

    QmSpiceModule::PlainState plain;
    int t = 0;

    for (const int length : { 2048, 1000, 7, 513 })
    {
        for (int i = 0; i < length; ++i)
            rig.source.signal.buffer[i] = input (t + i);
        pull (rig.probe, length);

        for (int i = 0; i < length; ++i, ++t)
            ASSERT_EQ (rig.probe.samples (0)[i], QmSpiceModule::plainStep (plain, input (t))) << length << " " << i;
    }
}
