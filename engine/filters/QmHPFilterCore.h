#pragma once

#include "QmJFetStage.h"
#include "QmOnePole.h"

/** One sample of the resonant two-pole zero-delay-feedback high-pass, whose
    resonance gain passes through the stage's JFET curve and carries a
    +-0.5 % random jitter. */
struct QmHPFilterCore
{
    /** x the input, f the cutoff in Hz, res the resonance; returns 10 x the high-pass. */
    static float process (QmJFetStage& stage, float x, float f, float res, float rate) noexcept;

    /** The same with the prewarped gain T = tan (pi min (f, rate / 4) / rate) given. */
    static float processPrewarped (QmJFetStage& stage, float x, float T, float res) noexcept;

    /** processPrewarped over a block in place: x[i] = processPrewarped (stage,
        inScale x[i], T[i], res) outScale, with the states kept in registers;
        then, when given, x[i] = after->step (x[i]) in the same pass (its short
        recursion runs in the shadow of the kernel's long one). */
    static void processBlock (QmJFetStage& stage, float* x, const float* T, int n, float res,
                              float inScale, float outScale, QmOnePole* after = nullptr) noexcept;

    /** processPrewarped as its formula reads, the curve read through the
        stage's lookup rather than its precomputed cubics. processBlock's
        states match it exactly; its output (one product for two divisions)
        within 2.5e-7 relative. */
    static float plainStep (QmJFetStage& stage, float x, float T, float res) noexcept;
};
