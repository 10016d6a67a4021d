#include "QmProcessContext.h"
#include "QmVoiceCrusherModule.h"
#include "QmWaveshaperModule.h"

#include <gtest/gtest.h>

#include <cmath>

TEST (Waveshaper, BypassAndFullDrive)
{
    QmProcessContext context;
    context.sampleRate = 88200.0f;
    auto shaper = std::make_unique<QmWaveshaperModule> (&context);
    const int n = 512;
    context.blockLength = n;
    float* x = shaper->input->own->buffer;
    for (int i = 0; i < n; ++i)
        x[i] = 0.1f * (float) std::sin (0.0125 * i);
    const std::vector<float> in (x, x + n);
    shaper->process();      // amount 0: no offset, no curve, no high-pass
    ASSERT_EQ (std::vector<float> (x, x + n), in);

    // full drive: (x + 0.01) * 512 into the shaper's curve, then a 6 Hz high-pass
    shaper->amountIn->own->value = 1.0f;
    shaper->process();
    QmJFetNonlin curve (QmNonlin::integralMode, 0.5f);
    QmOnePole hp;
    hp.setFrequencyAtRate (6.0f, 88200.0f, true);
    for (int i = 0; i < n; ++i)
        ASSERT_FLOAT_EQ (x[i], hp.step (curve.lookupBlock ((float) (((double) in[(size_t) i] + 0.01) * 512.0)))) << i;
}

TEST (VoiceCrusher, SoftClipsToATenthInPlace)
{
    QmProcessContext context;
    QmVoiceCrusherModule crusher (&context), sink (&context);
    crusher.out->connect (sink.input);

    context.blockLength = 4;
    float* x = crusher.input->own->buffer;
    x[0] = 0.05f; x[1] = 1.0f; x[2] = -1.0f; x[3] = 0.001f;
    crusher.process();
    EXPECT_EQ (sink.input->getSignal(), crusher.input->own);
    EXPECT_NEAR (x[0], 0.0462f, 1e-4f);
    EXPECT_EQ (x[1], 0.1f);
    EXPECT_EQ (x[2], -0.1f);
    EXPECT_NEAR (x[3], 0.001f, 1e-6f);
}
