#pragma once

#include "QmModule.h"

/** Soft-clips its input to +-0.1 with a scaled hyperbolic tangent ("CV slew").
    The engine builds it without connecting it.
*/
class QmVoiceCrusherModule : public QmModule
{
public:
    explicit QmVoiceCrusherModule (QmProcessContext* context);

    void process() override;

    QmInputSocket* input;
    QmOutputSocket* out;
};
