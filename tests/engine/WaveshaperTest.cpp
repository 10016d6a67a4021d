#include "QmProcessContext.h"
#include "QmVoiceCrusherModule.h"
#include "QmWaveshaperModule.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

namespace
{
    constexpr float rate = 88200.0f;

    void fillSine (float* x, int n, float amplitude, double cyclesPerSample)
    {
        for (int i = 0; i < n; ++i)
            x[i] = amplitude * (float) std::sin (2.0 * M_PI * cyclesPerSample * i);
    }

    /** Half the peak-to-peak swing, blind to the offset the high-pass is still removing. */
    float swing (const float* x, int from, int to)
    {
        return 0.5f * (*std::max_element (x + from, x + to) - *std::min_element (x + from, x + to));
    }
}

TEST (Waveshaper, SocketsAndPassThroughAtZeroDrive)
{
    QmProcessContext context;
    context.sampleRate = rate;
    auto shaper = std::make_unique<QmWaveshaperModule> (&context);

    EXPECT_EQ (shaper->name, "Waveshaper");
    ASSERT_EQ (shaper->outputs.size(), 1u);
    EXPECT_EQ (shaper->outputs[0]->name, "Out");
    const char* inputs[] = { "Input", "VCO2 in", "Amount", "Type", "CV" };
    const uint32_t kinds[] = { 1, 1, 0, 0, 1 };
    ASSERT_EQ (shaper->inputs.size(), 5u);
    for (size_t i = 0; i < 5; ++i)
    {
        EXPECT_EQ (shaper->inputs[i]->name, inputs[i]);
        EXPECT_EQ (shaper->inputs[i]->kind, kinds[i]);
    }

    const float a = std::exp ((float) (-2.0 * M_PI * (6.0 / rate)));
    EXPECT_FLOAT_EQ (shaper->highPass.a, a);
    EXPECT_FLOAT_EQ (shaper->highPass.b0, (a + 1.0f) * 0.5f);

    // amount 0: no offset, no curve, no high-pass
    const int n = 64;
    context.blockLength = n;
    float* x = shaper->input->own->buffer;
    for (int i = 0; i < n; ++i)
        x[i] = 0.3f + 0.001f * (float) i;
    shaper->process();
    for (int i = 0; i < n; ++i)
        ASSERT_EQ (x[i], 0.3f + 0.001f * (float) i);
}

TEST (Waveshaper, DriveRunsTheOffsetInputThroughTheCurve)
{
    QmProcessContext context;
    context.sampleRate = rate;
    auto shaper = std::make_unique<QmWaveshaperModule> (&context);
    const int n = 2048;
    context.blockLength = n;

    // full drive: (x + 0.01) * 512 into the shaper's curve, then the high-pass
    shaper->amountIn->own->value = 1.0f;
    fillSine (shaper->input->own->buffer, n, 0.1f, 0.002);
    std::vector<float> in (shaper->input->own->buffer, shaper->input->own->buffer + n);
    shaper->process();

    QmJFetNonlin curve (QmNonlin::integralMode, 0.5f);
    QmOnePole hp;
    hp.setFrequencyAtRate (6.0f, rate, true);
    for (int i = 0; i < n; ++i)
    {
        const float expected = hp.step (curve.lookupBlock ((float) (((double) in[(size_t) i] + 0.01) * 512.0)));
        ASSERT_FLOAT_EQ (shaper->input->own->buffer[i], expected) << i;
    }

    // a tenth of full scale comes out clipped near the curve's ceiling
    EXPECT_GT (swing (shaper->input->own->buffer, 1000, n), 1.5f);
}

TEST (VoiceCrusher, SoftClipsToATenth)
{
    QmProcessContext context;
    QmVoiceCrusherModule crusher (&context);
    EXPECT_EQ (crusher.name, "CV slew");
    ASSERT_EQ (crusher.inputs.size(), 1u);
    EXPECT_EQ (crusher.inputs[0]->name, "Input");
    ASSERT_EQ (crusher.outputs.size(), 1u);
    EXPECT_EQ (crusher.outputs[0]->name, "Out");

    QmVoiceCrusherModule probe (&context);
    crusher.out->connect (probe.input);

    context.blockLength = 4;
    float* x = crusher.input->own->buffer;
    x[0] = 0.05f; x[1] = 1.0f; x[2] = -1.0f; x[3] = 0.001f;
    crusher.process();

    EXPECT_NEAR (x[0], 0.0462, 1e-4);
    EXPECT_NEAR (x[1], 0.1, 1e-6);
    EXPECT_NEAR (x[2], -0.1, 1e-6);
    EXPECT_NEAR (x[3], 0.001, 1e-6);
    EXPECT_EQ (probe.input->getSignal(), crusher.input->own);
}
