#include "QmRandom.h"

namespace
{
    thread_local unsigned int randomState = 1;
}

unsigned int& qmRandState() noexcept
{
    return randomState;
}

int qmRand()
{
    return qmRandNext (randomState);
}

void qmSrand (unsigned int seed)
{
    randomState = seed;
}
