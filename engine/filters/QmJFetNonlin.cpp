#include "QmJFetNonlin.h"

#include <charconv>
#include <cmath>

QmJFetNonlin::QmJFetNonlin (int mode, float kToUse)
    : k (kToUse)
{
    loadOrComputeTable (mode, makeKey (mode, k));
}

std::string QmJFetNonlin::makeKey (int mode, float k)
{
    // std::to_chars ignores the locale: a host that sets a decimal comma must
    // not rename the cache files.
    char text[64];
    const auto result = std::to_chars (text, text + sizeof (text), (double) k, std::chars_format::fixed, 6);
    return "nl_jfet_" + std::string (text, result.ptr) + "_" + intToString (mode);
}

double QmJFetNonlin::solve (double x, double start)
{
    // Newton's method on y = tanh (k y + x).
    const double kd = (double) k;
    double y = start;

    for (int i = 0; i < 32; ++i)
    {
        const double a = kd * y + x;
        const double t = std::tanh (a);
        const double c = std::cosh (a);
        const double c2 = std::cosh (2.0 * a);
        const double denom = c2 + 1.0;
        y = y - (t - y) / (4.0 * kd * c * c / (denom * denom) - 1.0);
    }

    return y;
}
