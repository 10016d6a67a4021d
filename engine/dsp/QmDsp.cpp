#include "QmDsp.h"

#include <cmath>

float expCurve (float t, float k)
{
    const double numerator = (double) std::exp (k * t) - 1.0;
    const float denominator = std::exp (k) - 1.0f;
    return (float) (numerator / (double) denominator);
}
