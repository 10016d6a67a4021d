#include "QmAmpCore.h"

#include <algorithm>
#include <cmath>

float QmAmpCore::gainFor (float cutoff) noexcept
{
    return std::tan (cutoff * 3.1415927f / 88200.0f);
}

float QmAmpCore::process (float& z, float x, float cutoff) noexcept
{
    const float g = gainFor (cutoff);
    return process (z, x, g, 1.0f / (1.0f + g));
}

float QmAmpCore::process (float& z, float x, float g, float k) noexcept
{
    const float xc = std::clamp (x, -30.0f, 30.0f);
    const float d = (g * xc - z * g) * k;
    const float ylin = g * xc / (1.0f + g) - z * g / (1.0f + g) + z;

    double v;

    if (ylin < 0.0f)
    {
        const float c = k * 0.01f;
        const double w = lambertW ((double) (std::exp (2.0f * c - 2.0f * d - 2.0f * z) * (2.0f * c)));
        v = ((double) (2.0f * d) + w - (double) (2.0f * c)) * 0.5;
    }
    else
    {
        // In double: a hard-driven input takes this exponent past float's range.
        const float c = k * 1.0e-6f;
        const double w = lambertW (std::exp ((double) (5.0f * (c + d + z))) * (double) (5.0f * c));
        v = ((double) (5.0f * d) - w + (double) (5.0f * c)) / 5.0;
    }

    const float y = (float) ((double) z + v);
    z = (float) (2.0 * v + (double) z);

    if (! std::isfinite (z) || ! std::isfinite (y))
    {
        z = 0.0f;
        return 0.0f;
    }

    return y;
}

double lambertWStep (double w0, double x) noexcept
{
    const double e = std::exp (w0);
    const double f = w0 * e - x;
    return w0 - f / ((w0 + 1.0) * e - (w0 + 2.0) * f / (2.0 * (w0 + 1.0)));
}

double lambertW (double x) noexcept
{
    double w0;

    if (x >= 1.38 && x < 236.0)
    {
        const double t = std::log (x / 2.0) - 2.0;
        w0 = (((6.979269679670452e-5 * t + 0.017110368846615806) * t + 0.19338607770900237) * t
                  + 0.6666648896499793) * t
                 / ((0.0188060684652668 * t + 0.23451269827133317) * t + 1.0)
             + 2.0;
    }
    else if (x >= 236.0)
    {
        // Asymptotic series in ln x.
        const double l1 = std::log (x);
        const double l2 = std::log (l1);
        const double s = 1.0 / l1;
        const double p2 = (0.5 * l2 - 1.0) * l2;
        const double p3 = ((l2 / 3.0 - 1.5) * l2 + 1.0) * l2;
        const double p4 = (((0.25 * l2 - 1.8333333333333333) * l2 + 3.0) * l2 - 1.0) * l2;
        const double p5 = ((((0.2 * l2 - 2.0833333333333335) * l2 + 5.833333333333333) * l2 - 5.0) * l2 + 1.0) * l2;
        w0 = l1 - l2 + s * (l2 + s * (p2 + s * (p3 + s * (p4 + s * p5))));
    }
    else if (x < -0.311)
    {
        // Series around the branch point -1/e.
        static constexpr double c[] = { 1.0, -1.0 / 3.0, 0.1527777777777778, -0.07962962962962963,
                                        0.044502314814814814, -0.02598471487360376, 0.01563563253233392,
                                        -0.009616892024299432, 0.006014543252956118, -0.0038112980348919993 };
        const double p = std::sqrt (2.0 * (2.718281828459045 * x + 1.0));
        const bool nearBranchPoint = x < -0.367679;
        const int terms = nearBranchPoint ? 8 : 10;

        double sum = 0.0, power = 1.0;
        for (int i = 0; i < terms; ++i)
        {
            power *= p;
            sum += c[i] * power;
        }

        w0 = -1.0 + sum;

        if (nearBranchPoint)
            return w0;
    }
    else
    {
        w0 = x * ((((0.07066247420543414 * x + 2.4326814530577687) * x + 6.39672835731526) * x
                       + 4.663365025836821) * x + 0.99999908757381)
             / ((((1.2906660139511692 * x + 7.164571775410987) * x + 10.559985088953114) * x
                     + 5.66336307375819) * x + 1.0);
    }

    return lambertWStep (w0, x);
}
