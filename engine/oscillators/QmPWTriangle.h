#pragma once

#include "QmWave.h"

/** A triangle from 0 up to 1 at the width and back down to 0 at the cycle's end. */
class QmPWTriangle final : public QmWave
{
public:
    QmPWTriangle();

    float value (float phase) override
    {
        if (width > phase)
            return (float) ((double) phase / (double) width);

        const float fall = (phase - width) / (1.0f - width);
        return (float) (1.0 - (double) fall);
    }

    float slope (float phase) override
    {
        if (width > phase)
            return (float) (1.0 / (double) width);

        return -1.0f / (1.0f - width);
    }

    /** Moves the peak; a rise shorter than ten samples of the given increment
        is widened (to at most half the cycle) to keep its corner band-limitable.
    */
    void setWidth (float width, float increment);

    /** Whether setWidth (w, d) leaves the corners where they are for every
        increment d with widthInverse() * d < 0.1f: a renderer that checks
        this may take the corners as fixed. */
    bool isSettledAt (float w) const noexcept { return w == requestedWidth && width == clampedWidth && width == cornerWidth; }
    float widthInverse() const noexcept     { return clampedInverse; }

    float width = 0.5f;

private:
    // the last width asked for, its clamped value and reciprocal, and the width the corners are set for
    float requestedWidth = -1.0f;
    float clampedWidth = 0.5f;
    float clampedInverse = 2.0f;
    float cornerWidth = -1.0f;
};
