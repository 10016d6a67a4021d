#include "MallocCount.h"

#include <cstddef>

thread_local VORLAN_CONSTANT_INIT volatile bool countMallocs = false;
std::atomic<int> mallocCount { 0 };

#if VORLAN_COUNTS_MALLOC
extern "C" void* __libc_malloc (size_t);
extern "C" void* __libc_calloc (size_t, size_t);
extern "C" void* __libc_realloc (void*, size_t);

extern "C" void* malloc (size_t size)               { mallocCount += countMallocs ? 1 : 0; return __libc_malloc (size); }
extern "C" void* calloc (size_t count, size_t size) { mallocCount += countMallocs ? 1 : 0; return __libc_calloc (count, size); }
extern "C" void* realloc (void* p, size_t size)     { mallocCount += countMallocs ? 1 : 0; return __libc_realloc (p, size); }
#endif
