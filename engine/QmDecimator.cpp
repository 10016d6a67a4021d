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
            out = h5 * e + s8;
            s8 = h4 * e + s7;
            s7 = h3 * e + s6;
            s6 = h2 * e + s5;
            s5 = h1 * e + s4;
            s4 = c0 * o + (h1 * e + s3);
            s3 = h2 * e + s2;
            s2 = h3 * e + s1;
            s1 = h4 * e + s0;
            s0 = h5 * e;
            return out;

        default:
            return 0.0f;
    }
}
