#include "QmWaveshaperModule.h"

#include <cmath>

QmWaveshaperModule::QmWaveshaperModule (QmProcessContext* c)
    : QmModule (c),
      out (addOutput ("Out", QmSignal::block)),
      input (addInput ("Input", QmSignal::block)),
      vco2In (addInput ("VCO2 in", QmSignal::block)),
      amountIn (addInput ("Amount", QmSignal::scalar)),
      typeIn (addInput ("Type", QmSignal::scalar)),
      cvIn (addInput ("CV", QmSignal::block))
{
    name = "Waveshaper";
    sampleRateChanged();
}

void QmWaveshaperModule::sampleRateChanged()
{
    highPass.setFrequencyAtRate (6.0f, context->sampleRate, true);
}

void QmWaveshaperModule::process()
{
    QmSignal* signal = input->getSignal();
    const float amount = amountIn->getSignal()->value;

    if (amount != 0.0f)
    {
        const int n = context->blockLength;
        float* x = signal->buffer;

        // drive from 0.25 at amount 0 to 512 at amount 1
        const float gain = (float) ((double) std::pow (2.0f, (float) ((double) amount * 11.0)) * 0.25);

        for (int i = 0; i < n; ++i)
            x[i] = shaper.lookupBlock ((float) (((double) x[i] + 0.01) * gain));

        for (int i = 0; i < n; ++i)
            x[i] = highPass.step (x[i]);
    }

    out->pushSignal (signal);
}
