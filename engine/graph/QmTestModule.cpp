#include "QmTestModule.h"

QmTestModule::QmTestModule (QmProcessContext* c, bool isSource)
    : QmModule (c), source (isSource)
{
    name = "Test module";
    input1 = addInput ("Input1", QmSignal::block);
    input2 = addInput ("Input2", QmSignal::block);
    output1 = addOutput ("Output1", QmSignal::block);
    output2 = addOutput ("Output2", QmSignal::block);
    signal1 = new QmSignal (QmSignal::block, c);
    signal2 = new QmSignal (QmSignal::block, c);
}

QmTestModule::~QmTestModule()
{
    delete signal1;
    delete signal2;
}

void QmTestModule::process()
{
    ++processCount;

    if (source)
    {
        output1->pushSignal (signal1);
        output2->pushSignal (signal2);
        return;
    }

    QmSignal* a = input1->getSignal();
    QmSignal* b = input2->getSignal();
    a->value += 1.0f;
    b->value += 2.0f;
    output1->pushSignal (a);
    output2->pushSignal (b);
}
