#include "QmOnePole.h"
#include "QmFastMath.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace
{
    constexpr double pi = 3.141592653589793;

    uint32_t bitsOf (float x) noexcept
    {
        uint32_t bits;
        std::memcpy (&bits, &x, sizeof (bits));
        return bits;
    }
}

void QmOnePole::setFrequency (float frequency, bool highPass)
{
    const float x = frequency / 44100.0f;
    const float w = (float) (-2.0 * pi * (double) x);
    setFromPole (std::exp (w), highPass);
}

void QmOnePole::process (float* buffer, int n) noexcept
{
    // A local copy, so that the stores to buffer cannot alias the state.
    QmOnePole f = *this;

    for (int i = 0; i < n; ++i)
    {
        const float x = buffer[i];
        const bool sameInput = bitsOf (x) == bitsOf (f.x1);
        const uint32_t previous = bitsOf (f.y1);
        const float y = f.step (x);
        buffer[i] = y;

        if (sameInput && bitsOf (y) == previous)
        {
            const int repeats = QmFastMath::countRepeats (buffer + i + 1, n - i - 1, x);
            std::fill (buffer + i + 1, buffer + i + 1 + repeats, y);
            i += repeats;
        }
    }

    *this = f;
}
