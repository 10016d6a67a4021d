#pragma once

#include "QmModule.h"
#include "QmOnePole.h"

#include <memory>

class QmJFetNonlin;

/** The voice's last stage: an optional saturating drive, a DC blocker, the
    output level, exponential amplitude modulation and the amplifier envelope. */
class QmAmplifierModule : public QmModule
{
public:
    explicit QmAmplifierModule (QmProcessContext* context);
    ~QmAmplifierModule() override;

    void process() override;
    void sampleRateChanged() override;

    /** The drive's and the DC blocker's states from 0; the level's and the
        drive's glides stay. */
    void reset() override;

    /** Output gain for an "Amp" value: 16 at 1, a 60 dB range, 0 at exactly 0. */
    static float gainFor (float amp) noexcept;

    QmInputSocket* audioIn;
    QmInputSocket* modIn;
    QmInputSocket* gateIn;          // not read
    QmOutputSocket* out;
    QmInputSocket* oscGateIn;       // not read
    QmInputSocket* driveIn;         // third "Gate in": the drive amount
    QmInputSocket* ampIn;
    QmInputSocket* expModIn;

    float mixSmoothed = 0.0f;
    float compSmoothed = 0.0f;
    float driveSmoothed = 0.0f;
    float gainSmoothed = 0.0f;
    float coreState = 0.0f;

    /** The stages as they read, one sample at a time at a fixed drive amount,
        level and rate: the drive (mix, compensation and gain gliding towards
        their targets around QmAmpCore), the DC blocker, the level's glide,
        then the products with exp (expMod) and the envelope. process() gives
        the same samples, to the bit where "Exp mod" holds still and within
        an ulp of expf where it moves. */
    struct PlainState
    {
        explicit PlainState (float rate);

        QmOnePole dcBlocker;
        float mix = 0.0f, comp = 0.0f, drive = 0.0f, gain = 0.0f, z = 0.0f;
    };

    static float plainStep (PlainState& state, float x, float expMod, float envelope, float driveAmount, float amp) noexcept;

private:
    void drive (float* audio, int n, float amount) noexcept;

    QmOnePole dcBlocker;
    std::unique_ptr<QmJFetNonlin> jfet;     // keeps its table in the cache; not read
};
