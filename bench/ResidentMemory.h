#pragma once

#include <unistd.h>

#include <fstream>

/** The process's resident memory, in bytes. */
inline double residentBytes()
{
    std::ifstream statm ("/proc/self/statm");
    long pages = 0, resident = 0;
    statm >> pages >> resident;
    return (double) resident * (double) sysconf (_SC_PAGESIZE);
}
