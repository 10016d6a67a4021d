#include "QmMulModule.h"

QmMulModule::QmMulModule (QmProcessContext* processContext)
    : QmModule (processContext)
{
    name = "Mul";

    inA = addInput ("In A", QmSignal::block);
    inB = addInput ("In B", QmSignal::block);
    out = addOutput ("Out", QmSignal::block);
}

void QmMulModule::process()
{
    QmSignal* a = inA->getSignal();
    QmSignal* b = inB->getSignal();

    if (c != 0.0f && a->kind == QmSignal::block && b->kind == QmSignal::block && a != b)
    {
        // The offset and the product in one pass, each step rounded as the
        // two passes round it.
        float* x = a->buffer;
        const float* y = b->buffer;
        const float offset = c;     // a local: the stores to x could alias the member
        const int n = context->blockLength;

        for (int i = 0; i < n; ++i)
            x[i] = (x[i] + offset) * y[i];
    }
    else
    {
        if (c != 0.0f)
            a->addConstant (c);

        a->multiply (b);
    }

    out->pushSignal (a);
}
