#pragma once

#include "QmModule.h"

/** Multiplies two signals: (A + c) x B. Either input may be fed by a
    scalar parameter, which fills the block with its value. */
class QmMulModule : public QmModule
{
public:
    explicit QmMulModule (QmProcessContext* context);

    void process() override;

    QmInputSocket* inA;
    QmInputSocket* inB;
    QmOutputSocket* out;

    float c = 0.0f;     // offset added to A

private:
    bool isZero (const QmInputSocket* input) const noexcept;
};
