#include "QmHumNoiseSource.h"
#include "QmRandom.h"
#include "QmVoiceCrusherModule.h"
#include "QmWaveshaperModule.h"

#include <gtest/gtest.h>

#include <cstring>

namespace
{
    bool sameBits (float a, float b) { return std::memcmp (&a, &b, sizeof (a)) == 0; }
}

TEST (VoicePath, HumAndNoiseMatchThePlainStepToTheBitAndTheTroughClips)
{
    for (const int rate : { 44100, 96000 })
    {
        qmSrand (12345);
        QmHumNoiseSource source (rate);
        QmOnePole highPass = source.highPass;
        float phase = 0.0f;
        unsigned int random = qmRandState();

        // Odd lengths, lengths below and at the lane count, and enough blocks
        // to wrap the 50 Hz phase several times.
        for (const int n : { 7, 8, 9, 0, 8192, 3001 })
        {
            source.fill (n);
            for (int i = 0; i < n; ++i)
            {
                float hum, noise;
                QmHumNoiseSource::plainStep (phase, highPass, random, rate, hum, noise);
                ASSERT_TRUE (sameBits (source.hum[i], hum)) << rate << " n " << n << " sample " << i << ": " << source.hum[i] << " vs " << hum;
                ASSERT_EQ (source.noise[i], noise) << rate << " n " << n << " sample " << i;
            }
            phase = std::fabs (phase);
            ASSERT_EQ (source.phase, phase);
            ASSERT_EQ (qmRandState(), random) << "one draw per sample";
        }
    }

    // Every float phase between the sine's -0.5 crossings (7/12 and 11/12) and
    // the bounds where computing it starts is clipped anyway.
    auto clipped = [] (float p) { return QmHumNoiseSource::trough (p) == -0.5f; };

    for (float p = 0.5f; p < QmHumNoiseSource::clippedBelow; p = std::nextafter (p, 1.0f))
        ASSERT_TRUE (clipped (p)) << p;
    for (float p = 1.0f; p > QmHumNoiseSource::clippedAbove; p = std::nextafter (p, 0.0f))
        ASSERT_TRUE (clipped (p)) << p;
    EXPECT_FALSE (clipped (0.5834f));     // tight: a little further in it is computed
    EXPECT_FALSE (clipped (0.9166f));
}

TEST (VoicePath, WaveshaperBypassesAndDrivesAndTheCrusherSoftClipsToATenthInPlace)
{
    QmProcessContext context;
    context.sampleRate = 88200.0f;
    context.blockLength = 512;
    auto shaper = std::make_unique<QmWaveshaperModule> (&context);
    float* x = shaper->input->own->buffer;
    for (int i = 0; i < 512; ++i)
        x[i] = 0.1f * (float) std::sin (0.0125 * i);
    const std::vector<float> in (x, x + 512);
    shaper->process();      // amount 0: no offset, no curve, no high-pass
    ASSERT_EQ (std::vector<float> (x, x + 512), in);

    // full drive: (x + 0.01) * 512 into the shaper's curve, then a 6 Hz high-pass
    shaper->amountIn->own->value = 1.0f;
    shaper->process();
    QmJFetNonlin curve (QmNonlin::integralMode, 0.5f);
    QmOnePole hp;
    hp.setFrequencyAtRate (6.0f, 88200.0f, true);
    for (int i = 0; i < 512; ++i)
        ASSERT_FLOAT_EQ (x[i], hp.step (curve.lookupBlock ((float) (((double) in[(size_t) i] + 0.01) * 512.0)))) << i;

    QmVoiceCrusherModule crusher (&context), sink (&context);
    crusher.out->connect (sink.input);
    context.blockLength = 4;
    float* y = crusher.input->own->buffer;
    y[0] = 0.05f, y[1] = 1.0f, y[2] = -1.0f, y[3] = 0.001f;
    crusher.process();
    EXPECT_EQ (sink.input->getSignal(), crusher.input->own);
    EXPECT_NEAR (y[0], 0.0462f, 1e-4f);
    EXPECT_EQ (y[1], 0.1f);
    EXPECT_EQ (y[2], -0.1f);
    EXPECT_NEAR (y[3], 0.001f, 1e-6f);
}
