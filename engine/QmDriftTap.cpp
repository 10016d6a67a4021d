#include "QmDriftTap.h"

#include <algorithm>

void QmDriftTap::read (float* out, int n) noexcept
{
    if (table == nullptr || position < 0 || position >= length)
    {
        for (int k = 0; k < n; ++k)
        {
            out[k] = table != nullptr ? table[position] : 0.0f;

            if (++position >= length)
                position = 0;
        }

        return;
    }

    // Whole runs up to the table's end at a time.
    while (n > 0)
    {
        const int run = std::min (n, length - position);
        std::copy (table + position, table + position + run, out);
        out += run;
        n -= run;
        position += run;

        if (position >= length)
            position = 0;
    }
}
