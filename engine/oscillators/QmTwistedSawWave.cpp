#include "QmTwistedSawWave.h"

#include <cmath>

QmTwistedSawWave::QmTwistedSawWave()
{
    addCorner (0.0f, 1.0f, 1.0f, 1.0f, 0.0f);
    addCorner (1.0f, 1.0f, 1.0f, 1.0f, 0.0f);
}

float QmTwistedSawWave::value (float phase)
{
    const double e = std::exp ((1.0f - phase) * curvature);
    const double ek = std::exp (curvature);
    return (float) ((1.0 - (e - 1.0) / (ek - 1.0)) * twistGain + (double) phase * sawGain);
}

float QmTwistedSawWave::slope (float phase)
{
    const double e = std::exp ((1.0f - phase) * curvature);
    const double ek = std::exp (curvature);
    return (float) ((double) curvature * e / (ek - 1.0));
}
