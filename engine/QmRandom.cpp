#include "QmRandom.h"

namespace
{
    thread_local unsigned int randomState = 1;
}

int qmRand()
{
    randomState = randomState * 214013u + 2531011u;
    return (int) ((randomState >> 16) & 0x7fffu);
}

void qmSrand (unsigned int seed)
{
    randomState = seed;
}
