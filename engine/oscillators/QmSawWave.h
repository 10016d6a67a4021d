#pragma once

#include "QmWave.h"

/** A rising ramp from 0 to 1 with one downward jump at the cycle's start. */
class QmSawWave final : public QmWave
{
public:
    QmSawWave();

    float value (float phase) override  { return phase; }
    float slope (float) override        { return 1.0f; }
};
