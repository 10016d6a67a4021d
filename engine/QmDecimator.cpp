#include "QmDecimator.h"

float QmDecimator::process (float e, float o) noexcept
{
    float out;

    switch (order)
    {
        case 0:
            out = h3 * e + s4;
            s4 = h2 * e + s3;
            s3 = h1 * e + s2;
            s2 = c0 * o + (h1 * e + s1);
            s1 = h2 * e + s0;
            s0 = h3 * e;
            return out;

        case 1:
            out = h4 * e + s6;
            s6 = h3 * e + s5;
            s5 = h2 * e + s4;
            s4 = h1 * e + s3;
            s3 = c0 * o + (h1 * e + s2);
            s2 = h2 * e + s1;
            s1 = h3 * e + s0;
            s0 = h4 * e;
            return out;

        case 2:
            return processOrder2 (e, o);

        default:
            return 0.0f;
    }
}

void QmDecimator::processBlock (const float* in, float* out, int n) noexcept
{
    if (order != 2)
    {
        for (int k = 0; k < n; ++k)
            out[k] = process (in[2 * k], in[2 * k + 1]);

        return;
    }

    // The state in locals, so the stores to out cannot alias it.
    QmDecimator d = *this;

    for (int k = 0; k < n; ++k)
        out[k] = d.processOrder2 (in[2 * k], in[2 * k + 1]);

    *this = d;
}
