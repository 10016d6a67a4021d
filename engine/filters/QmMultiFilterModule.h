#pragma once

#include "QmFirInterpolator.h"
#include "QmJFetNonlin.h"
#include "QmJFetStage.h"
#include "QmLadderCore.h"
#include "QmModule.h"

#include <memory>

struct QmDriftTap;

/** The voice's low-pass filter ("LPF Filter"): drives its input, oversamples
    it four times, runs one of four kernels chosen by "Type" ("12", "18",
    "24A", "24B"), decimates back and compensates the level for the drive. */
class QmMultiFilterModule : public QmModule
{
public:
    explicit QmMultiFilterModule (QmProcessContext* context);
    ~QmMultiFilterModule() override;

    void process() override;

    /** Every kernel's and the over-sampling's history from 0. */
    void reset() override;

    /** The largest block the module takes (the engine's limit). */
    static constexpr int maxBlock = 8192;

    /** The prewarp argument pi f / (4 rate) stays below pi / 2 at this value,
        so a low host rate never wraps the tangent at the top of the range. */
    static constexpr float maxPrewarpArgument = 1.5f;

    QmOutputSocket* out;
    QmInputSocket* audioIn;
    QmInputSocket* freqIn;
    QmInputSocket* resIn;
    QmInputSocket* typeIn;
    QmInputSocket* driveIn;
    QmInputSocket* selfIn;      // not read

    int32_t lastType = 0;
    std::unique_ptr<QmFirInterpolator> interpolator;
    float* oversampled;         // 4 x block length samples, behind the decimation history
    QmSignal outSignal;
    QmJFetNonlin satJFet;       // pre-saturation of "12"
    QmJFetNonlin transferJFet;  // never read; keeps its table in the cache
    QmLadderCore coreA;         // "18" and "24A"
    QmLadderCore coreB;         // "24B"
    QmJFetStage stage12;        // "12"
    std::unique_ptr<QmDriftTap> driftTap;   // advances the drift offset; never read

private:
    void resetBrokenState() noexcept;
};
