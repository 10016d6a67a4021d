#pragma once

#include "QmAlignedBuffer.h"
#include "QmModule.h"
#include "QmOnePole.h"

#include <memory>

struct QmDriftTap;

/** Colouring stage: when "Amount" is on, folds the amplified, low-passed input
    through an anti-aliased triangle, high-passes the fold, adds some dry
    signal and limits the result to +-5. Otherwise a pass-through.

    process() works a chunk at a time, the fold four samples at once; each
    output sample is plainStep's, to the bit. */
class QmSpiceModule : public QmModule
{
public:
    explicit QmSpiceModule (QmProcessContext* context);
    ~QmSpiceModule() override;

    void process() override;
    void sampleRateChanged() override;

    /** The filters' and the fold's histories from 0. */
    void reset() override;

    /** Largest magnitude of an output sample. */
    static constexpr float outputLimit = 5.0f;

    QmInputSocket* input;
    QmOutputSocket* out;
    QmInputSocket* amountIn;
    QmInputSocket* cvIn;        // not read

    /** The fold as its formulas read, one sample at a time. */
    struct PlainState
    {
        PlainState();

        QmOnePole lowPass, highPass1, highPass2;
        float lastU = 0.0f, lastG = 0.0f;
    };

    static float plainStep (PlainState& state, float x) noexcept;

private:
    QmOnePole highPass1, highPass2, lowPass, spareHighPass1, spareHighPass2;
    float previousU = 0.0f;
    float previousG = 0.0f;

    // Kept with the module, not read by processing; the tap still takes its
    // place in the drift table.
    QmAlignedBuffer spareBuffer;
    std::unique_ptr<QmDriftTap> driftTap;
};
