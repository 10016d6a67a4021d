#include "QmVoiceCrusherModule.h"

#include <cmath>

QmVoiceCrusherModule::QmVoiceCrusherModule (QmProcessContext* c)
    : QmModule (c),
      input (addInput ("Input", QmSignal::block)),
      out (addOutput ("Out", QmSignal::block))
{
    name = "CV slew";
}

void QmVoiceCrusherModule::process()
{
    QmSignal* signal = input->getSignal();
    float* x = signal->buffer;

    // slope 1 at 0, saturating at +-0.1
    for (int i = 0; i < context->blockLength; ++i)
        x[i] = (float) (0.1 * (double) std::tanh ((float) (10.0 * (double) x[i])));

    out->pushSignal (signal);
}
