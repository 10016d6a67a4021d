#include "QmPWTriangle.h"

QmPWTriangle::QmPWTriangle()
{
    addCorner (0.0f, 1.0f, 1.0f, 0.0f, 0.0f);
    addCorner (0.5f, 1.0f, 1.0f, 1.0f, 1.0f);
}

void QmPWTriangle::setWidth (float w, float increment)
{
    // the core asks for the same width sample after sample: clamp it and take
    // its reciprocal only when it changes
    if (! (w == requestedWidth))
    {
        requestedWidth = w;
        if ((double) w < 0.001) w = 0.001f;
        if ((double) w > 0.999) w = 0.999f;
        clampedWidth = w;
        clampedInverse = 1.0f / w;
    }

    w = clampedWidth;

    if (clampedInverse * increment > 0.1)
    {
        w = (float) (increment / 0.1);
        if (w > 0.5f)
            w = 0.5f;
    }

    if (w == width && w == cornerWidth)
        return;

    width = w;
    cornerWidth = w;
    const float up = (float) (1.0 / (double) w);
    const float down = -1.0f / (1.0f - w);

    corners[0]->slopeBefore = down;
    corners[0]->slopeAfter = up;
    corners[1]->position = w;
    corners[1]->slopeBefore = up;
    corners[1]->slopeAfter = down;
}
