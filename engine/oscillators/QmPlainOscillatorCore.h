#pragma once

#include "QmBlep.h"
#include "QmOnePole.h"
#include "QmPulseWave.h"
#include "QmSawWave.h"

/** QmOscillatorCore as its formulas read, one sample at a time, keeping
    nothing from one sample to the next but the corrector, the smoother and
    the pulse width: it works out the waves of every shape afresh. The core
    works the plan out once per run of equal shapes and renders four samples
    at a time between corners; its output must be this one's, to the bit. */
class QmPlainOscillatorCore
{
public:
    /** One sample, with QmOscillatorCore::render's arguments. */
    float render (float phase, float increment, float shape, float sync);

    float rate = 88200.0f;      // the engine's rate, for the smoother
    int smoothing = 0;

private:
    QmBlep corrector;
    QmSawWave saw;
    QmPulseWave pulse;
    QmOnePole smoother;
};
