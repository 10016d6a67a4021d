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

void qmRandSkip (unsigned long long draws) noexcept
{
    // n steps of x -> a x + c make one affine map; build it from the steps'
    // powers of two, each the last one applied twice.
    unsigned int a = 214013u, c = 2531011u, totalA = 1u, totalC = 0u;

    for (; draws != 0; draws >>= 1)
    {
        if ((draws & 1u) != 0)
        {
            totalA *= a;
            totalC = totalC * a + c;
        }

        c *= a + 1u;
        a *= a;
    }

    randomState = totalA * randomState + totalC;
}
