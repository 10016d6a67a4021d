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

    // The state holds partial sums of the last 9 pairs only. Once a block has
    // that many, each output is summed straight from the input in the order
    // the recursion adds (innermost, oldest term first): the outputs no longer
    // depend on each other, and the loop vectorises. Rebuilding the state
    // takes 9 more steps, which short blocks do not win back.
    const int head = n < minDirectBlock ? n : 9;

    for (int k = 0; k < head; ++k)
        out[k] = d.processOrder2 (in[2 * k], in[2 * k + 1]);

    if (n > head)
    {
        for (int k = 9; k < n; ++k)
        {
            const float* e = in + 2 * k;
            float t = d.h5 * e[-18];
            t = d.h4 * e[-16] + t;
            t = d.h3 * e[-14] + t;
            t = d.h2 * e[-12] + t;
            t = d.c0 * e[-9] + (d.h1 * e[-10] + t);
            t = d.h1 * e[-8] + t;
            t = d.h2 * e[-6] + t;
            t = d.h3 * e[-4] + t;
            t = d.h4 * e[-2] + t;
            out[k] = d.h5 * e[0] + t;
        }

        // The last 9 pairs rebuild the state whatever it was before.
        for (int k = n - 9; k < n; ++k)
            d.processOrder2 (in[2 * k], in[2 * k + 1]);
    }

    *this = d;
}
