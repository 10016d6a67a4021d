#pragma once

#include "QmMidiEvent.h"
#include "QmParam.h"

#include <vector>

class QmAmplifierModule;
class QmAudioOutModule;
class QmControlModule;
class QmHPFilterModule;
class QmMidiLearnHandler;
class QmModule;
class QmMulModule;
class QmMultiFilterModule;
class QmParameter;
class QmParameterGroup;
class QmSignal;
class QmSpiceModule;
class QmVCO4Module;
class QmVoiceCrusherModule;
class QmVorlanModDispatcher;
class QmVorlanModulator;
class QmWaveshaperModule;
struct QmProcessContext;

/** The synthesizer as one object: the processing context, the parameters
    (indexed as the host sees them, see QmParam), their eight groups and the one voice's
    modules, wired once in the constructor. */
class QmSynthEngine
{
public:
    QmSynthEngine();
    ~QmSynthEngine();

    /** Renders numSamples host samples into left and right: the graph runs
        at twice the host rate and is decimated 2:1. Longer requests than one
        pass holds are rendered in passes. */
    void renderBlock (float* left, float* right, const std::vector<QmMidiEvent>& events, int numSamples);

    /** Stops every sound at once, as when the engine was new: no key held,
        the envelopes, oscillators, filters and decimator from rest. The
        parameters and their glides, the wheels, the learnt controllers and
        what follows the host's time stay as they are. An engine at rest
        stays at rest; otherwise the wait for one starts anew. Audio thread;
        allocates nothing. */
    void silence() noexcept;

    /** Whether the engine rests: no key is held, the envelopes have finished
        and the output has stayed below restLevel for restSeconds, so blocks
        are exact silence and the graph is not run; only the modulator's
        tempo-synced phase moves on with the host. Any event, a changed
        parameter or sample rate wakes it and starts the wait anew. */
    bool isResting() const noexcept { return resting; }

    /** Output level (about -150 dBFS) and time below it before a rest. */
    static constexpr float restLevel = 3.1622777e-8f;
    static constexpr float restSeconds = 2.0f;

    /** Where controller events are looked up and learnt; null: nowhere. */
    void setMidiLearnHandler (QmMidiLearnHandler* handler) noexcept { midiLearn = handler; }

    /** Host samples one pass renders: the doubled block must fit a signal. */
    static constexpr int maxPassSamples = 4096;

    QmVCO4Module* vco = nullptr;
    QmVorlanModulator* modulator = nullptr;
    QmAmplifierModule* amplifier = nullptr;
    QmMultiFilterModule* multiFilter = nullptr;
    QmWaveshaperModule* waveshaper = nullptr;
    QmMulModule* ampModMul = nullptr;
    QmMulModule* oscCutoffMul = nullptr;
    QmMulModule* envCutoffMul = nullptr;
    QmMulModule* kbdCutoffMul = nullptr;
    QmMulModule* modCutoffMul = nullptr;
    QmSpiceModule* spice = nullptr;
    QmHPFilterModule* hpFilter = nullptr;
    QmVorlanModDispatcher* modDispatcher = nullptr;
    QmParameter* parameters[QmParam::count] = {};
    QmProcessContext* context = nullptr;
    std::vector<QmParameterGroup*> groups;
    QmControlModule* control = nullptr;
    QmAudioOutModule* audioOut = nullptr;
    QmVoiceCrusherModule* voiceCrusher = nullptr;

    QmSynthEngine (const QmSynthEngine&) = delete;
    QmSynthEngine& operator= (const QmSynthEngine&) = delete;

private:
    void buildParameters();
    void buildVoice (int voice);
    void renderPass (float* left, float* right, const std::vector<QmMidiEvent>& events, int numSamples);
    void collectSums();
    void dispatchControllers (const std::vector<QmMidiEvent>& events);
    bool mustWake (const std::vector<QmMidiEvent>& events) const noexcept;
    void updateRest (const float* out, int numSamples, bool hadEvents) noexcept;

    /** Connects sockets by name; nth counts sockets of the same name. */
    void wire (QmModule* from, const char* output, int outputIndex, QmModule* to, const char* input, int inputIndex = 0);
    void wireParameter (QmParam::Index parameter, QmModule* to, const char* input, int inputIndex = 0);

    QmMidiLearnHandler* midiLearn = nullptr;
    std::vector<QmMidiEvent> passEvents;    // reserved once; long blocks only

    // The signals the clear pass from the voice's output zeroes: the graph
    // never changes after construction, so neither does the list.
    std::vector<QmSignal*> sums;

    // What the last rendered pass ran with, and how long it has been quiet.
    bool resting = false;
    int quietSamples = 0;
    float renderedRate = 0.0f;
    float renderedValues[QmParam::count] = {};
};
