#include "QmRandom.h"

namespace
{
    // Initial-exec: the state sits in the thread's static block, so a thread's
    // first draw allocates nothing even when the engine is in a library that
    // the host loaded later (the general model allocates on first use).
    thread_local unsigned int randomState __attribute__ ((tls_model ("initial-exec"))) = 1;
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
