#pragma once

#include "QmModule.h"
#include "QmOnePole.h"
#include "QmOscillatorCore.h"

#include <memory>

struct QmDriftTap;

/** The voice's oscillator section ("VCO4").

    Core 1 follows the pitch; core 2 either keeps a fixed phase offset to it at
    an octave ratio, or runs detuned above it, optionally hard-synced to it.
    The mix of both, with a trace of noise and without its offset, goes out on
    "Out"; core 2 alone goes out on "Osc2".
*/
class QmVCO4Module : public QmModule
{
public:
    explicit QmVCO4Module (QmProcessContext* context);
    ~QmVCO4Module() override;

    void process() override;
    void sampleRateChanged() override;

    /** Both phases from 0, no correction or filter history. */
    void reset() override;

    QmInputSocket* cvIn;
    QmInputSocket* gateIn;
    QmInputSocket* mixIn;
    QmInputSocket* phaseDetuneIn;
    QmInputSocket* wave1In;
    QmInputSocket* wave2In;
    QmInputSocket* width1In;
    QmInputSocket* width2In;
    QmInputSocket* octaveIn;
    QmInputSocket* modIn;
    QmInputSocket* modTypeIn;
    QmInputSocket* modSourceIn;
    QmInputSocket* envIn;
    QmInputSocket* syncIn;
    QmOutputSocket* out;
    QmOutputSocket* osc2Out;
    QmInputSocket* retriggerIn;

    QmOscillatorCore core1;
    QmOscillatorCore core2;
    std::unique_ptr<QmDriftTap> driftTap;

    QmSignal output;
    QmSignal osc2;
    QmSignal phaseDetune;
    QmSignal shape;
    QmSignal driftNoise;

    QmOnePole highPass;

    float phase1 = 0.0f;
    float phase2 = 0.0f;
    float previousGate = 0.0f;
    float previousOffset = 0.0f;

    /** One sample of the phases as the formulas read. Phase-offset mode (the
        knob below 0.5) runs core 2 at oct p1 + offset, the offset oct P
        (P the knob plus modulation) doubled below octave index 2 and halved
        at index 4; detune mode runs it 2^(2 P - 1) times the octave ratio
        faster, hard-synced to core 1 when sync is on. A gate rising from 0
        resets both phases when retrigger is on. Returns core 2's phase,
        increment and sync for the sample; process() renders core 2 from the
        same values, to the bit. */
    struct PlainPhases { float phase1 = 0.0f, phase2 = 0.0f, previousOffset = 0.0f, previousGate = 0.0f; };
    struct Core2Sample { float phase, increment, sync; };
    static Core2Sample plainStep (PlainPhases& state, float frequency, float rate, float knob, float phaseDetune,
                                  float octave, bool sync, bool retrigger, float gate) noexcept;

private:
    struct BlockInputs;

    /** Both return whether a mixed sample was not a number. */
    bool renderPhaseOffset (const BlockInputs& in);
    bool renderDetune (const BlockInputs& in);

    /** From the cores' outputs over m samples from start: core 2's smoothing
        (into osc2), the mix, hum (when given), drift noise and the high-pass
        (into output). Returns whether a mixed sample was not a number. */
    bool finishChunk (const float* o1, const BlockInputs& in, const float* hum, int start, int m);

    /** resets[i]: whether gate sample start + i rises from 0 with retrigger on. */
    void trackGate (const BlockInputs& in, int start, int m, bool* resets);

    /** What both modes start a chunk with: its length, its pitches and
        phase/detune values, and the gate's resets (trackGate). */
    struct Chunk { int m; float* pitch; const float* phaseDetune; };
    Chunk beginChunk (const BlockInputs& in, int start, bool* resets);

    /** Core 1 over m samples of the shape signal from start. */
    void renderCore1 (const BlockInputs& in, const float* phase, const float* increment,
                      int start, float* out, int m);

    static constexpr int chunk = 256;
};
