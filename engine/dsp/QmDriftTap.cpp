#include "QmDriftTap.h"

#include <algorithm>

void QmDriftTap::read (float* out, int n) noexcept
{
    if (table == nullptr || length <= 0)
    {
        for (int k = 0; k < n; ++k)
        {
            out[k] = 0.0f;

            if (++position >= length)
                position = 0;
        }

        return;
    }

    // A position set from outside the table starts it over rather than
    // reading past its ends.
    if (position < 0 || position >= length)
        position = 0;

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
