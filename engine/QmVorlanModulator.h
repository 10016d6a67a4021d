#pragma once

#include "QmEnvelopeState.h"
#include "QmModule.h"
#include "QmWowEnvelope.h"

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

    /** Wave option indices of the "Wave" input. */
    enum Wave { sine = 0, square, sampleAndHold, noise, wowEnvelope, pitchSine };

    /** One block of the ADSR kernel over a gate with retrigger marks. */
    static void renderEnvelope (QmEnvelopeState& env, const float* gate, float* out, int n) noexcept;

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

private:
    void renderModulation();

    std::unique_ptr<QmDriftTap> driftTap;
    QmSignal lfoGate, envSignal, modSignal, ampSignal;
};
