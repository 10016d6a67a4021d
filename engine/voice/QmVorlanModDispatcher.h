#pragma once

#include "QmModule.h"

/** Sends the mod wheel, scaled by 7, to the high-pass filter's frequency
    ("HPF") or the low-pass filter's ("LPF"); the other output gets zero. */
class QmVorlanModDispatcher : public QmModule
{
public:
    explicit QmVorlanModDispatcher (QmProcessContext* context);

    void process() override;

    static constexpr int numOutputs = 4;

    QmInputSocket* input;
    QmOutputSocket* out[numOutputs];    // the last two are never pushed
    QmInputSocket* selector;

private:
    QmSignal zero;
};
