#pragma once

#include "QmWave.h"

/** The triangle, also accepting a phase down to -1. Its three parameters are
    kept for layout but unread.
*/
class QmWrappedSawWave : public QmWave
{
public:
    QmWrappedSawWave();

    float value (float phase) override;
    float slope (float phase) override;

    float paramA = 0.5f;
    float paramB = 1.0f;
    float paramC = 0.0f;
};
