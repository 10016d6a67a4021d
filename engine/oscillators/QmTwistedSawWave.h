#pragma once

#include "QmWave.h"

/** A saw bent by an exponential twist: b * (1 - (e^((1 - p) k) - 1) / (e^k - 1)) + a * p. */
class QmTwistedSawWave : public QmWave
{
public:
    QmTwistedSawWave();

    float value (float phase) override;
    float slope (float phase) override;

    float curvature = 1.0f;
    float sawGain = 1.0f;
    float twistGain = -1.0f;
};
