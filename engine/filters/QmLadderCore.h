#pragma once

#include "QmJFetNonlin.h"
#include "QmJFetStage.h"
#include "QmOnePole.h"

#include <memory>

/** State of the four-stage ladder kernels, and the four low-pass kernels of
    the multi filter.

    Every kernel runs in place over a block of 4x-oversampled audio, solving
    its feedback loop without a unit delay for the current sample and then
    advancing the integrators by the trapezoidal rule. g holds one prewarped
    integrator gain tan (pi f / fs4) per base-rate sample: oversampled sample n
    uses g[n / 4]. count is 4 x the block length.
*/
struct QmLadderCore
{
    QmLadderCore();

    /** "24A": four stages saturating by tanh (v) / v. Matches plain24A within
        5e-6 of the output's peak. */
    static void process24A (QmLadderCore& state, float* buffer, const float* g, float res, int count, float fs4) noexcept;

    /** "18": rational saturation, a DC offset through the stages, and a 6 Hz
        high-pass on the output. Matches plain18 within 1e-5 of the peak. */
    static void process18 (QmLadderCore& state, float* buffer, const float* g, float res, int count, float fs4) noexcept;

    /** "24B": four stages coupled to their neighbours. Matches plain24B within
        1.5e-5 of the peak. */
    static void process24B (QmLadderCore& state, float* buffer, const float* g, float res, int count, float fs4) noexcept;

    /** "12": a two-pole filter with difference feedback. Matches plain12
        within 5e-6 of the peak. */
    static void process12 (QmJFetStage& state, float* buffer, const float* g, float res, int count, float q) noexcept;

    /** Clears the four integrator states (xPrev keeps its value). */
    void clearStages() noexcept;

    /** Clears every state: the owner's answer to a state gone non-finite. */
    void reset() noexcept;

    bool isFinite() const noexcept;

    float s0 = 0.0f, s1 = 0.0f, s2 = 0.0f, s3 = 0.0f;
    float xPrev = 0.0f;
    QmOnePole dcBlock;

    // Built so that their tables exist in the cache; no kernel reads them.
    std::unique_ptr<QmJFetNonlin> nl0, nl1, nl2, nl3;

    float kStore = 0.0f;

    //==============================================================================
    /** The kernels' formulas as they read, one oversampled sample at a time:
        x the input, G its prewarped gain, res the resonance and the kernel's
        last argument (fs4, or q for "12"). The kernels above evaluate the same
        quantities reordered and four-wide, and are tested against these. */
    struct PlainState { float s0 = 0.0f, s1 = 0.0f, s2 = 0.0f, s3 = 0.0f, xPrev = 0.0f, x1 = 0.0f, y1 = 0.0f; };

    static float plain24A (PlainState& s, float x, float G, float res, float fs4) noexcept;
    static float plain18 (PlainState& s, float x, float G, float res, float fs4) noexcept;
    static float plain24B (PlainState& s, float x, float G, float res, float fs4) noexcept;
    static float plain12 (PlainState& s, float x, float G, float res, float q) noexcept;
};
