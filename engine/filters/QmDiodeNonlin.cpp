#include "QmDiodeNonlin.h"

#include <cmath>

QmDiodeNonlin::QmDiodeNonlin()
{
    loadOrComputeTable (integralMode, "nl_diode_1_" + intToString (integralMode));
}

double QmDiodeNonlin::solve (double x, double start)
{
    const double b = std::abs (x) * 0.2 * 2.0;
    double y = start;

    for (int i = 0; i < 64; ++i)
    {
        const double e = std::exp (7.0 * y);
        const double g = (e - 1.0) * 1e-13 + y - b;
        y = y - g / (std::exp (7.0 * y) * 7e-13 + 1.0);
    }

    const double sign = x < 0.0 ? -1.0 : 1.0;
    return sign * y / 14.0 * 4.0;
}
