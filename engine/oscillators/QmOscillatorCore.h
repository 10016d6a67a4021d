#pragma once

#include "QmBlep.h"
#include "QmOnePole.h"
#include "QmPWTriangle.h"
#include "QmPulseWave.h"
#include "QmSawWave.h"
#include "QmTriangleWave.h"
#include "QmTwistedSawWave.h"
#include "QmWrappedSawWave.h"

struct QmProcessContext;

/** One band-limited oscillator. The caller keeps the phase; the core morphs
    by a shape control in [0, 1] through its wave bank:

    falling saw (0), inverted triangle with its peak moving from the end to the
    middle (to 0.25), triangle fading into a rising saw (to 0.5), saw fading into
    a pulse that widens to half the cycle (to 0.75), pulse widening to the whole
    cycle (to 1), silence from 1.

    In smoothing mode the first quarter is a filter sweep instead: a saw whose
    low-pass closes from about 44 kHz to 150 Hz, then a triangle whose low-pass
    opens again.
*/
class QmOscillatorCore
{
public:
    explicit QmOscillatorCore (QmProcessContext* context);

    /** Renews the smoother for the context's current rate. */
    void init();

    /** Drops the corrections in flight and the smoother's history. */
    void reset() noexcept;

    /** One output sample. phase: at the sample's start; increment: phase
        advance of this sample (may be negative); sync: -1, or the fraction of
        the sample elapsed before a hard-sync reset to phase 0.
    */
    float render (float phase, float increment, float shape, float sync);

    /** render() for n samples in a row: out[i] from the inputs at i. A null
        sync means no sync in any of them. Every sample is the one
        QmPlainOscillatorCore (the formulas, sample by sample) gives, to the bit. */
    void renderBlock (const float* phase, const float* increment, const float* shape,
                      const float* sync, float* out, int n);

    /** The same with one shape for all n samples. */
    void renderBlock (const float* phase, const float* increment, float shape,
                      const float* sync, float* out, int n);

    QmBlep corrector;

    QmPulseWave pulseA;
    QmPulseWave pulseB;
    QmSawWave sawA;
    QmSawWave sawB;
    QmTriangleWave triangle;
    QmTwistedSawWave twistedSaw;
    QmWrappedSawWave wrappedSaw;
    QmPWTriangle pwTriangle;

    /** When the current shape uses the smoother: the caller of renderBlock
        (with callerSmooths set) then steps `smoother` over its output. */
    bool isSmoothing() const noexcept { return plan.valid && plan.smoothed; }

    QmOnePole smoother;
    int smoothing = 0;

    /** Leaves the smoother to the caller, which can run it beside its own
        filters so that the recurrences overlap. */
    bool callerSmooths = false;

    QmProcessContext* context;

private:
    /** What one shape control renders: the waves with their amplitudes and
        widths, and whether the smoother runs. Worked out again only when the
        control (or the mode) changes, mostly once per note or knob move. */
    struct Plan
    {
        bool valid = false;
        float shape = 0.0f;
        int smoothing = 0;

        bool triangle = false, saw = false, pulse = false, smoothed = false;
        float triangleWidth = 0.0f, triangleGain = 0.0f, sawGain = 0.0f, pulseGain = 0.0f;
    };

    /** Works out the plan of a shape; sets pulse B's width and the smoother's cut-off. */
    void makePlan (float shape);
    void setPulseWidth (float width);

    /** The corner-free stretches that the waves' last samples ended in. */
    struct Gaps { QmCornerGap saw, pulse, triangle; };

    /** Renders n samples with the current plan; sync is read only when synced. */
    template <bool synced>
    void renderPlan (const float* phase, const float* increment, const float* sync, float* out, int n);

    /** renderPlan's loop, for the plan whose waves the flags repeat. */
    template <bool triangle, bool saw, bool pulse, bool smoothed, bool synced>
    void renderRun (const float* phase, const float* increment, const float* sync, float* out, int n);

    /** The naive samples of a run of at most QmBlep::maxRun into v, adding the corrections. */
    template <bool triangle, bool saw, bool pulse, bool smoothed, bool synced>
    void renderNaive (const float* phase, const float* increment, const float* sync, float* v, int m, Gaps* gaps);

    Plan plan;

    QmOscillatorCore (const QmOscillatorCore&) = delete;
    QmOscillatorCore& operator= (const QmOscillatorCore&) = delete;
};
