#include "QmAmpCore.h"
#include "QmAmplifierModule.h"
#include "VoiceTestSupport.h"

#include <gtest/gtest.h>

using namespace voicetest;

namespace
{
    constexpr int n = 4096;

    /** An amplifier fed by test sources (audio, "Mod in" envelope, "Exp mod")
        and by parameters for the drive amount and the level. */
    struct AmpRig
    {
        explicit AmpRig (float level, float driveAmount = 0.0f, float envelopeLevel = 1.0f)
            : amp (&context), audio (&context), envelope (&context), expMod (&context),
              drive ("Amount", driveAmount, 0, &context), levelParam ("Amount", level, 0, &context)
        {
            context.sampleRate = 88200.0f, amp.sampleRateChanged();
            audio.out->connect (amp.audioIn), envelope.out->connect (amp.modIn), expMod.out->connect (amp.expModIn);
            drive.connectTo (amp.driveIn), levelParam.connectTo (amp.ampIn);
            std::fill (envelope.signal.buffer, envelope.signal.buffer + n, envelopeLevel);
        }

        /** Renders a block of fn (the sample index). */
        template <typename Fn>
        std::vector<float> run (Fn fn, float expModValue = 0.0f)
        {
            for (int i = 0; i < n; ++i)
                audio.signal.buffer[i] = fn (i);
            std::fill (expMod.signal.buffer, expMod.signal.buffer + n, expModValue);   // used in place
            pull (amp, n);
            return { audio.signal.buffer, audio.signal.buffer + n };
        }

        QmProcessContext context;
        QmAmplifierModule amp;
        Source audio, envelope, expMod;
        QmParameter drive, levelParam;
    };

    float nyquist (int i) { return (i & 1) ? -1.0f : 1.0f; }     // passes the DC blocker unchanged
}

TEST (Amplifier, LevelExpModEnvelopeSaturationRecoveryAndThePlainStep)
{
    // 16 at full level, 60 dB of range, silence at exactly 0. The glide and
    // the DC blocker are held to their formulas by the block test below.
    for (auto [amp, gain] : { std::pair { 1.0f, 16.0f }, { 0.5f, 0.50596f }, { 0.0f, 0.0f } })
        EXPECT_NEAR (std::fabs (AmpRig (amp).run (nyquist).back()), gain, gain * 1e-3 + 1e-6) << amp;

    // exp of "Exp mod" and the envelope multiply the output.
    AmpRig rig (1.0f, 0.0f, 0.3f);
    EXPECT_NEAR (std::fabs (rig.run (nyquist, 0.5f).back()), 16.0 * std::exp (0.5) * 0.3, 0.01);

    // A non-finite input poisons its block only: the DC blocker starts again.
    for (float bad : { INFINITY, NAN })
    {
        AmpRig rig (0.5f);
        rig.run ([bad] (int i) { return i == 100 ? bad : 0.3f; });
        const auto after = rig.run (nyquist);
        EXPECT_TRUE (std::all_of (after.begin(), after.end(), [] (float v) { return std::isfinite (v); })) << bad;
    }

    // Full-scale square at the highest cutoff: the rising edges after a
    // falling half push the exponent of the rising branch past float's range.
    float z = 0.0f, top = 0.0f, bottom = 0.0f;
    for (int i = 0; i < 4000; ++i)
    {
        const float x = ((i / 441) & 1) ? -30.0f : 30.0f;
        const float y = QmAmpCore::process (z, x, 16500.0f);
        ASSERT_GT (y * x / 30.0f, 1.0f) << i;    // never reset: follows the input at full swing
        top = std::max (top, y), bottom = std::min (bottom, y);
    }
    EXPECT_LT (top, 10.0f);
    EXPECT_LT (bottom, -top);    // the falling side has the softer knee

    float z1 = 0.0f, z2 = 0.0f;     // far past the exponent's range, still bounded
    EXPECT_EQ (QmAmpCore::process (z1, 1000.0f, 5000.0f), QmAmpCore::process (z2, 30.0f, 5000.0f));

    // A state that is no longer finite is reset and that sample is silent.
    for (float bad : { std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity() })
    {
        EXPECT_EQ (QmAmpCore::process (bad, 0.5f, 5000.0f), 0.0f);
        EXPECT_EQ (bad, 0.0f);
    }

    // The drive stage's Lambert W solves w exp (w) = x on every branch.
    EXPECT_EQ (lambertW (0.0), 0.0);
    EXPECT_NEAR (lambertW (-1.0 / 2.718281828459045), -1.0, 1e-3);
    for (double x : { -0.36, -0.2, 1.38, 236.0, 1.0e200 })
        EXPECT_NEAR (lambertW (x) * std::exp (lambertW (x)) / x, 1.0, 1e-9) << x;

    // With a constant "Exp mod" the block agrees to the bit; with a moving one
    // exp may differ from expf by an ulp. Cases: no drive, a half-wet and a
    // fully wet drive stage.
    for (auto [driveAmount, moving] : { std::pair { 0.0f, true }, { 0.05f, false }, { 0.7f, true } })
    {
        AmpRig rig (0.8f, driveAmount, 0.6f);
        QmAmplifierModule::PlainState plain (88200.0f);
        auto in = [] (int clock) { return 0.7f * (float) std::sin (2.0 * pi * 330.0 * clock / 88200.0); };
        auto mod = [m = moving] (int clock) { return m ? -2.0f + 4.0f * (float) ((clock * 7) % 1000) / 1000.0f : 0.3f; };

        for (int b = 0; b < 2; ++b)
        {
            for (int i = 0; i < n; ++i)
                rig.audio.signal.buffer[i] = in (b * n + i), rig.expMod.signal.buffer[i] = mod (b * n + i);
            pull (rig.amp, n);

            for (int i = 0; i < n; ++i)
            {
                const float x = QmAmplifierModule::plainStep (plain, in (b * n + i), mod (b * n + i), 0.6f, driveAmount, 0.8f);
                ASSERT_NEAR (rig.audio.signal.buffer[i], x, moving ? std::fabs (x) * 2.5e-7f : 0.0f) << driveAmount << " " << b << " " << i;
            }
        }
    }
}
