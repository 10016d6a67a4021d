#pragma once

#include "QmModule.h"

/** A module for checking the graph itself: as a source it pushes its own two
    block signals, otherwise it offsets the values of its inputs and passes
    them on. */
class QmTestModule : public QmModule
{
public:
    explicit QmTestModule (QmProcessContext* context, bool isSource = false);
    ~QmTestModule() override;

    void process() override;

    QmInputSocket* input1;
    QmInputSocket* input2;
    QmOutputSocket* output1;
    QmOutputSocket* output2;
    bool source;
    QmSignal* signal1;
    QmSignal* signal2;
    int processCount = 0;
    int sampleRateChanges = 0;

    void sampleRateChanged() override { ++sampleRateChanges; }
};
