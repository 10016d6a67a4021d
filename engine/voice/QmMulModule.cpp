#include "QmMulModule.h"
#include "QmFastMath.h"
#include "QmInputSocket.h"
#include "QmOutputSocket.h"

#include <algorithm>

QmMulModule::QmMulModule (QmProcessContext* processContext)
    : QmModule (processContext)
{
    name = "Mul";

    inA = addInput ("In A", QmSignal::block);
    inB = addInput ("In B", QmSignal::block);
    out = addOutput ("Out", QmSignal::block);
}

bool QmMulModule::isZero (const QmInputSocket* input) const noexcept
{
    const QmSignal* s = input->getSignal();

    if (s->kind != QmSignal::block)
        return s->value == 0.0f;

    // A sum of scalars, cleared before the block, is one value throughout.
    const int n = context->blockLength;
    const bool constant = input->usemy != 0 && n > 0
        && std::all_of (input->sources.begin(), input->sources.end(), [] (const QmOutputSocket* o) { return o->kind != QmSignal::block; });

    return QmFastMath::countRepeats (s->buffer, constant ? 1 : n, 0.0f) == (constant ? 1 : n);
}

void QmMulModule::process()
{
    QmSignal* a = inA->getSignal();
    QmSignal* b = inB->getSignal();

    // A factor of zeros makes the product zeros (for a finite A; their
    // signs do not matter to an exponential or a sum, which starts at +0 and
    // so adds a zero exactly). A sum is left as it is; anyone else reads them.
    const bool zeroA = c == 0.0f && isZero (inA);

    if (zeroA || isZero (inB))
    {
        if (std::all_of (out->inputs.begin(), out->inputs.end(), [] (const QmInputSocket* in) { return in->usemy != 0; }))
            return;

        if (! zeroA && a->kind == QmSignal::block)
            std::fill (a->buffer, a->buffer + context->blockLength, 0.0f);

        out->pushSignal (a);
        return;
    }

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
