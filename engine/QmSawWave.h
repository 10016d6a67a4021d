#pragma once

#include "QmWave.h"

/** A rising ramp from 0 to 1 with one downward jump at the cycle's start. */
class QmSawWave : public QmWave
{
public:
    QmSawWave();

    float value (float phase) override;
    float slope (float phase) override;
};
