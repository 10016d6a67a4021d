#include "QmDiagnostics.h"

#include <atomic>
#include <cstdio>

namespace
{
    static_assert (std::atomic<unsigned>::is_always_lock_free && std::atomic<bool>::is_always_lock_free);

    std::atomic<unsigned> counts[QmDiagnostics::numMessages] {};
    std::atomic<int> latestRate { 0 };
    std::atomic<bool> ratePending { false };

    const char* const texts[QmDiagnostics::numMessages] { "nan osc", "chuuj " };
}

void QmDiagnostics::record (Message message) noexcept
{
    counts[message].fetch_add (1, std::memory_order_relaxed);
}

void QmDiagnostics::recordSampleRate (int rate) noexcept
{
    latestRate.store (rate, std::memory_order_relaxed);
    ratePending.store (true, std::memory_order_release);
}

void QmDiagnostics::flush()
{
    // The rate was printed before the block rendered, so it comes first.
    if (ratePending.exchange (false, std::memory_order_acquire))
        std::printf ("sample rate updated to %d\n", latestRate.load (std::memory_order_relaxed));

    for (int m = 0; m < numMessages; ++m)
        for (auto n = counts[m].exchange (0, std::memory_order_relaxed); n > 0; --n)
            std::fputs (texts[m], stdout);

    std::fflush (stdout);
}
