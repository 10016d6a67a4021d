#include "QmVorlanModDispatcher.h"

QmVorlanModDispatcher::QmVorlanModDispatcher (QmProcessContext* c)
    : QmModule (c),
      zero (QmSignal::block, c)
{
    name = "Mod dispatcher ";

    input = addInput ("Input", QmSignal::block);

    for (auto*& output : out)
        output = addOutput ("Out", QmSignal::block);

    selector = addInput ("Selector", QmSignal::scalar);
}

void QmVorlanModDispatcher::process()
{
    QmSignal* wheel = input->getSignal();

    for (int i = 0; i < context->blockLength; ++i)
        wheel->buffer[i] *= 7.0f;

    zero.clear();

    // Selector options: 0 "Off", 1 "HPF", 2 "LPF", 3 "Mod".
    const int target = selector->getSignal()->index - 1;

    for (int k = 0; k < 2; ++k)
        out[k]->pushSignal (k == target ? wheel : &zero);
}
