#pragma once

#include "QmEnvelopeState.h"
#include "QmModule.h"
#include "QmWowEnvelope.h"

#include <limits>
#include <memory>

struct QmDriftTap;

/** The voice's modulation source: the filter envelope ("Env out"), the
    amplifier envelope ("Amp out") and the low-frequency wave ("Mod out"). */
class QmVorlanModulator : public QmModule
{
public:
    explicit QmVorlanModulator (QmProcessContext* context);
    ~QmVorlanModulator() override;

    void process() override;

    /** Both envelopes and the struck one at rest, as a new module has them.
        The wave keeps its phase and held value (a tempo-synced one follows
        the host). */
    void reset() override;

    /** Whether both envelopes have been released down to idleLevel and the
        struck envelope, when it is the wave, has faded there too. */
    bool isIdle() const noexcept;

    /** Envelope level below which an envelope counts as finished. */
    static constexpr float idleLevel = 1.0e-7f;

    /** Wave option indices of the "Wave" input. */
    enum Wave { sine = 0, square, sampleAndHold, noise, wowEnvelope, pitchSine };

    /** "Mod sync" option of the wave that follows the host's tempo. */
    static constexpr int tempoSync = 2;

    /** What a block of n samples moves that follows the host's time, for a
        block the engine rests through (gate shut, nothing rendered): with
        tempo sync, the transport start and the wave's phase, to the bit as
        process would move them. */
    void followHostTime (int n) noexcept;

    /** n steps of inc, wrapping at 1, as the sine, square, sample-and-hold
        and noise waves step their phase with no key press; in steps that
        grow with the binades crossed, not with n. */
    static void advancePhase (float& phase, float inc, int n) noexcept;

    /** One block of the ADSR kernel over a gate with retrigger marks. Where a
        step leaves the state as it was, the output repeats for as long as the
        gate does; the samples are envelopeStep's, to the bit. */
    static void renderEnvelope (QmEnvelopeState& env, const float* gate, float* out, int n) noexcept;

    /** One sample of the ADSR as its formulas read: a trapezoidal one-pole
        chasing its target, the attack aiming at twice the level and stopping
        at it, then the decay to the sustain, and the release on gate 0. */
    static float envelopeStep (QmEnvelopeState& env, float gate) noexcept;

    /** One block of the sine or square wave's phase: phase steps of inc,
        restarting on each key press from silence with keySync; out gets
        2 pi phase (sine, before its sine is taken) or the square, lfo the
        wave's gate (1 in the first half of a cycle). */
    static void renderCycle (float& phase, float& previousGate, float inc, bool keySync, bool isSine,
                             const float* gate, float* lfo, float* out, int n) noexcept;

    /** One block of the sample-and-hold wave: phase steps of inc, a new value
        on each wrap and, with keySync, on each key press from silence; lfo
        gets the wave's gate (1 in the first half of a cycle). */
    static void renderSampleAndHold (float& phase, float& held, float& previousGate, float inc, bool keySync,
                                     const float* gate, float* lfo, float* out, int n) noexcept;

    /** One sample of the sine (wave 0), square (1) or sample-and-hold (2)
        phase as the formulas read: returns the output (2 pi phase for the
        sine) and sets lfo to the wave's gate. renderCycle and
        renderSampleAndHold, which step whole runs of a binade at once, give
        the same samples to the bit. */
    struct WaveState { float phase = 0.0f, held = 0.0f, previousGate = 0.0f; };
    static float waveStep (WaveState& state, int wave, float inc, bool keySync, float gate, float& lfo) noexcept;

    /** One block of the struck envelope over a gate with retrigger marks. */
    static void envelopeCurve (QmWowEnvelope& env, const float* gate, float* out, int n) noexcept;

    QmInputSocket* gateIn;
    QmInputSocket* attackIn;
    QmInputSocket* decayIn;
    QmInputSocket* sustainIn;
    QmInputSocket* releaseIn;
    QmInputSocket* adsrSyncIn;
    QmInputSocket* cvIn;
    QmInputSocket* waveIn;
    QmInputSocket* freqIn;
    QmInputSocket* modDecayIn;
    QmInputSocket* modVelocityIn;
    QmInputSocket* modWheelIn;
    QmInputSocket* modSyncIn;
    QmInputSocket* wheelIn;
    QmOutputSocket* ampOut;
    QmOutputSocket* modOut;
    QmOutputSocket* envOut;
    QmInputSocket* ampModeIn;

    float phase = 0.0f;
    float heldValue = 0.0f;
    float previousGate = 0.0f;
    uint8_t previousPlaying = 0;

    QmEnvelopeState envelopes[2];   // "Env out", "Amp out"
    QmWowEnvelope wow;

    /** An envelope's attack, decay and release coefficients (g and 1 / (1 + g))
        and the times they were computed for. */
    struct EnvelopeCoefficients
    {
        float gA = 0.0f, gD = 0.0f, gR = 0.0f, kA = 0.0f, kD = 0.0f, kR = 0.0f;
        float attack = std::numeric_limits<float>::quiet_NaN(), decay = attack, release = attack;     // none yet
    };

private:
    void renderModulation();

    /** The tempo-synced phase increment; restarts the cycle when the
        transport has started since the last block. */
    float followTempo() noexcept;

    /** renderEnvelope with coefficients kept from block to block. */
    static void renderEnvelope (QmEnvelopeState& env, EnvelopeCoefficients& coefficients, const float* gate, float* out, int n) noexcept;

    EnvelopeCoefficients coefficients[2];

    /** A knob's time curve, computed again only when the knob moves. */
    struct TimeCurve
    {
        float value = std::numeric_limits<float>::quiet_NaN();     // none yet
        float curve = 0.0f;

        float of (float v) noexcept;
    };

    TimeCurve attackCurve, decayCurve, releaseCurve, freqCurve;

    std::unique_ptr<QmDriftTap> driftTap;
    QmSignal lfoGate, envSignal, modSignal, ampSignal;
};
