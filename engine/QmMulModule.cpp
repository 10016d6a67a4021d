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

    if (c != 0.0f)
        a->addConstant (c);

    a->multiply (inB->getSignal());
    out->pushSignal (a);
}
