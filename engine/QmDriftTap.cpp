#include "QmDriftTap.h"

void QmDriftTap::read (float* out, int n) noexcept
{
    for (int k = 0; k < n; ++k)
    {
        out[k] = table != nullptr ? table[position] : 0.0f;

        if (++position >= length)
            position = 0;
    }
}
