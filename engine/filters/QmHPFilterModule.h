#pragma once

#include "QmJFetStage.h"
#include "QmModule.h"
#include "QmOnePole.h"

/** The voice's resonant high-pass ("HPF"), between the oscillators and the
    spice stage. The cutoff may follow the keyboard; a cutoff input of exactly
    0 bypasses the filter. */
class QmHPFilterModule : public QmModule
{
public:
    explicit QmHPFilterModule (QmProcessContext* context);

    void process() override;
    void sampleRateChanged() override;

    /** The kernel's and the DC blocker's states from 0. */
    void reset() override;

    QmInputSocket* input;
    QmInputSocket* freqIn;
    QmOutputSocket* out;
    QmInputSocket* modeIn;          // not read
    QmInputSocket* resonanceIn;
    QmInputSocket* trackIn;         // the second "Mode": keyboard tracking above 0
    QmInputSocket* kbdIn;

    QmJFetStage stage;
    QmOnePole dcBlock;              // 3 Hz high-pass on the output
};
