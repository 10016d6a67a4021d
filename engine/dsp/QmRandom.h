#pragma once

/** The noise and randomise paths want the Windows runtime's rand(): 15-bit
    values from a linear congruential generator whose state is per thread.
    glibc's rand() is process-wide and takes a lock, so it must never run on
    the audio thread; these take its place everywhere. */
int qmRand();

/** Restarts the calling thread's generator (a new thread starts at seed 1). */
void qmSrand (unsigned int seed);

/** Moves the calling thread's generator on by that many draws, in a number
    of steps that grows with the count's digits only. */
void qmRandSkip (unsigned long long draws) noexcept;

/** The calling thread's generator state, for loops that draw many values:
    copy it, draw with qmRandNext, store it back. */
unsigned int& qmRandState() noexcept;

/** One draw from the given state, as qmRand() draws from the thread's. */
inline int qmRandNext (unsigned int& state) noexcept
{
    state = state * 214013u + 2531011u;
    return (int) ((state >> 16) & 0x7fffu);
}

/** The largest value qmRand() returns. */
constexpr int qmRandMax = 32767;
