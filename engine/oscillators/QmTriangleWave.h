#pragma once

#include "QmWave.h"

/** A symmetric triangle from 0 up to 1 at half the cycle and back. */
class QmTriangleWave : public QmWave
{
public:
    QmTriangleWave();

    float value (float phase) override;
    float slope (float phase) override;

    /** The shape itself, shared with the waves that reuse it. */
    static float valueAt (double phase);
    static float slopeAt (float phase);
    static const QmWaveCorner cornerTable[3];
};
