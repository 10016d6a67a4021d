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

private:
    void drive (float* audio, int n, float amount) noexcept;

    QmOnePole dcBlocker;
    std::unique_ptr<QmJFetNonlin> jfet;     // keeps its table in the cache; not read
};
