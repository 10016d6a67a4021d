#pragma once

#include "QmWave.h"

/** A triangle from 0 up to 1 at the width and back down to 0 at the cycle's end. */
class QmPWTriangle : public QmWave
{
public:
    QmPWTriangle();

    float value (float phase) override;
    float slope (float phase) override;

    /** Moves the peak; a rise shorter than ten samples of the given increment
        is widened (to at most half the cycle) to keep its corner band-limitable.
    */
    void setWidth (float width, float increment);

    float width = 0.5f;
};
