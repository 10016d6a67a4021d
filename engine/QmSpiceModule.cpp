#include "QmSpiceModule.h"
#include "QmDriftGenerator.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

namespace
{
    constexpr int spareBufferSize = 8192;
}

QmSpiceModule::QmSpiceModule (QmProcessContext* c)
    : QmModule (c)
{
    name = "Spice module";

    input = addInput ("Input", QmSignal::block);
    out = addOutput ("Out", QmSignal::block);
    amountIn = addInput ("Amount", QmSignal::scalar);
    cvIn = addInput ("CV", QmSignal::block);

    spareBuffer = static_cast<float*> (std::aligned_alloc (32, spareBufferSize * sizeof (float)));
    std::memset (spareBuffer, 0, spareBufferSize * sizeof (float));
    driftTap.reset (c->drift->createTap (1));

    sampleRateChanged();
}

QmSpiceModule::~QmSpiceModule()
{
    std::free (spareBuffer);
}

void QmSpiceModule::sampleRateChanged()
{
    // process() sets its own coefficients before every use.
    lowPass.setFrequencyAtRate (500.0f, context->sampleRate, true);
    spareHighPass1.setFrequencyAtRate (6.0f, context->sampleRate, true);
    spareHighPass2.setFrequencyAtRate (6.0f, context->sampleRate, true);
}

void QmSpiceModule::process()
{
    QmSignal* signal = input->getSignal();

    if (amountIn->getSignal()->value == 0.0f)
    {
        out->pushSignal (signal);
        return;
    }

    // Fixed against the 44100 Hz reference, whatever the engine's rate:
    // 2500 Hz high-passes, a 5150 Hz low-pass.
    const float hpPole = std::exp (-0.35618964f);
    for (auto* hp : { &highPass1, &highPass2 })
    {
        hp->a = hpPole;
        hp->b0 = (1.0f + hpPole) / 2.0f;
        hp->b1 = -(1.0f + hpPole) / 2.0f;
    }

    lowPass.a = std::exp (-0.73375064f);
    lowPass.b0 = 1.0f - lowPass.a;
    lowPass.b1 = 0.0f;

    // Locals, so that the stores to x cannot alias the state.
    float* x = signal->buffer;
    QmOnePole lp = lowPass, hp1 = highPass1, hp2 = highPass2;
    float lastU = previousU, lastG = previousG;

    for (int i = 0; i < context->blockLength; ++i)
    {
        const float s = 8.0f * x[i];
        float u = lp.step (s);
        float d = u - lastU;

        // Keep the divisor below away from zero.
        if (std::fabs (d) < 0.0001f)
        {
            const float nudge = d >= 0.0f ? 0.0001f : -0.0001f;
            u += nudge;
            d += nudge;
        }

        // Antiderivative of a triangle of u (period 2, range -0.5..0.5).
        const float p = u / 2.0f - std::floor (u / 2.0f);
        const float b = std::fabs (2.0f * p - 1.0f) - 0.5f;
        const float g = b - b * std::fabs (b);

        float y = (float) ((double) (g - lastG) / (double) d);
        lastG = g;

        y = hp2.step (hp1.step (y));
        x[i] = 0.1f * s + y;
        lastU = u;
    }

    lowPass = lp;
    highPass1 = hp1;
    highPass2 = hp2;
    previousU = lastU;
    previousG = lastG;

    signal->clamp (-outputLimit, outputLimit);
    out->pushSignal (signal);
}
