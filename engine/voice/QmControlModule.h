#pragma once

#include "QmMidiEvent.h"
#include "QmModule.h"
#include "QmOnePole.h"

#include <memory>
#include <vector>

struct QmDriftTap;

/** Turns each block's MIDI events into the voice's control signals: a gate
    with retrigger marks, a pitch CV in octaves with glide, pitch wheel and
    drift, both again 16 samples late, and a smoothed mod wheel. Monophonic
    with last-note priority; every note event takes effect at its own sample.
    All Notes Off and All Sound Off release every key; Reset All Controllers
    brings the pitch wheel back to its centre and the mod wheel to 0. */
class QmControlModule : public QmModule
{
public:
    explicit QmControlModule (QmProcessContext* context);
    ~QmControlModule() override;

    /** Queues the events of the next block (positions in host samples). Never
        allocates: events beyond maxEvents per block are dropped. */
    void appendEvents (const std::vector<QmMidiEvent>& events);

    void process() override;
    void sampleRateChanged() override;

    /** No key held and no gate, as a new module has them. The pitch stays
        where the last note left it, as after a release, so that a glide to
        the next note starts there; the wheels stay where they are. */
    void reset() override;

    /** Whether a key is held, or the gate, shifted or not, is still open
        (audio thread). */
    bool holdsNote() const noexcept;

    /** Events (and so note switches) kept per block. */
    static constexpr int maxEvents = 4096;

    /** Samples by which the shifted outputs lag. */
    static constexpr int shiftLength = 16;

    /** Note numbers the held-note bookkeeping covers. */
    static constexpr int numNotes = 128;

    QmOutputSocket* shiftedGateOut;
    QmOutputSocket* shiftedCvOut;
    QmOutputSocket* gateOut;        // voice 0, the only voice
    QmOutputSocket* cvOut;
    QmOutputSocket* modWheelOut;
    QmOutputSocket* pitchWheelOut;  // never pushed
    QmOutputSocket* velocityOut;    // never pushed
    QmOutputSocket* aftertouchOut;  // never pushed
    QmInputSocket* glideAutoIn;
    QmOutputSocket* numVoicesOut;
    QmInputSocket* glidePolyIn;

private:
    /** A note or level change that takes effect at a sample of the block. */
    struct Switch
    {
        int position;
        int note;
        float level;
    };

    void handleNoteOn (const QmMidiEvent& event, bool glideAuto);
    void handleNoteOff (const QmMidiEvent& event);
    void releaseAllNotes (int hostPosition);
    void addSwitch (int hostPosition);
    void pressNote (int note);
    void releaseNote (int note);
    void renderPitchWheel (int n);
    void renderVoice (int n);
    static void shift (const float* in, float* history, float* out, int n) noexcept;

    std::vector<QmMidiEvent> events;
    std::vector<Switch> switches;

    // Notes in press order, newest last. A key pressed again moves to the
    // top, so the stack never holds more than one entry per key.
    int noteStack[numNotes];
    int stackSize = 0;

    int voiceCount = 4;
    int oldNote = -1, newNote = -1;
    float oldLevel = 0.0f, newLevel = 0.0f;

    float pitchWheelTarget = 0.5f;
    float pitchWheelSmoothed = 0.5f;
    float modWheelValue = 0.0f;

    QmOnePole modWheelSmoother;
    QmOnePole glideSmoother;
    QmOnePole spareSmoother;
    std::unique_ptr<QmDriftTap> driftTap;

    alignas (32) float gateHistory[shiftLength] = {};
    alignas (32) float cvHistory[shiftLength] = {};

    QmSignal gate, cv, pitchWheel, modWheel, shiftedGate, shiftedCv, drift, numVoices;
};
