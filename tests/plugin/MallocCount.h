#pragma once

#include <atomic>

// Counts the calls to the C allocator (operator new's too, and the runtime's
// thread-local storage) on the threads that arm the count. Sanitizers bring
// allocators of their own: there, nothing is counted.
#if defined (__SANITIZE_ADDRESS__) || defined (__SANITIZE_THREAD__)
 #define VORLAN_COUNTS_MALLOC 0
#else
 #define VORLAN_COUNTS_MALLOC 1
#endif

// Constant-initialised, so no file needs the variable's init call (GCC's
// UndefinedBehaviorSanitizer tests that call's flags as the variable's
// address and reports a store to null); volatile, so the stores around an
// allocation stay (the compiler assumes the allocator reads no variable).
#if defined (__GNUC__) && ! defined (__clang__)
 #define VORLAN_CONSTANT_INIT __constinit
#else
 #define VORLAN_CONSTANT_INIT
#endif

extern thread_local VORLAN_CONSTANT_INIT volatile bool countMallocs;
extern std::atomic<int> mallocCount;

/** The allocations `work` makes on the calling thread. */
template <typename Work>
int mallocsIn (Work&& work)
{
    mallocCount = 0;
    countMallocs = true;
    work();
    countMallocs = false;
    return mallocCount.load();
}
