#include "QmPWTriangle.h"

QmPWTriangle::QmPWTriangle()
{
    addCorner (0.0f, 1.0f, 1.0f, 0.0f, 0.0f);
    addCorner (0.5f, 1.0f, 1.0f, 1.0f, 1.0f);
}

float QmPWTriangle::value (float phase)
{
    if (width > phase)
        return (float) ((double) phase / (double) width);

    const float fall = (phase - width) / (1.0f - width);
    return (float) (1.0 - (double) fall);
}

float QmPWTriangle::slope (float phase)
{
    if (width > phase)
        return (float) (1.0 / (double) width);

    return -1.0f / (1.0f - width);
}

void QmPWTriangle::setWidth (float w, float increment)
{
    if ((double) w < 0.001) w = 0.001f;
    if ((double) w > 0.999) w = 0.999f;

    if ((1.0f / w) * increment > 0.1)
    {
        w = (float) (increment / 0.1);
        if (w > 0.5f)
            w = 0.5f;
    }

    width = w;
    const float up = (float) (1.0 / (double) w);
    const float down = -1.0f / (1.0f - w);

    corners[0]->slopeBefore = down;
    corners[0]->slopeAfter = up;
    corners[1]->position = w;
    corners[1]->slopeBefore = up;
    corners[1]->slopeAfter = down;
}
