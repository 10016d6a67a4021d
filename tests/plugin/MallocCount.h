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

extern thread_local bool countMallocs;
extern std::atomic<int> mallocCount;
