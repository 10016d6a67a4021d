#pragma once

#include "QmDiodeNonlin.h"
#include "QmJFetNonlin.h"
#include "QmModule.h"
#include "QmOnePole.h"

/** Drives its input through a JFET-style curve with an exponential drive
    control and removes the offset with a 6 Hz high-pass ("Waveshaper").
    The engine builds it without pulling it; building it still loads or
    solves its curves' tables.
*/
class QmWaveshaperModule : public QmModule
{
public:
    explicit QmWaveshaperModule (QmProcessContext* context);

    void process() override;
    void sampleRateChanged() override;

    QmOutputSocket* out;
    QmInputSocket* input;
    QmInputSocket* vco2In;
    QmInputSocket* amountIn;
    QmInputSocket* typeIn;
    QmInputSocket* cvIn;

    QmJFetNonlin shaper { QmNonlin::integralMode, 0.5f };
    QmDiodeNonlin diode;                                    // built, never read
    QmJFetNonlin secondShaper { QmNonlin::integralMode, 0.8f };  // built, never read

    QmOnePole highPass;
};
