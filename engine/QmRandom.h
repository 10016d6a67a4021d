#pragma once

/** The noise and randomise paths want the Windows runtime's rand(): 15-bit
    values from a linear congruential generator whose state is per thread.
    glibc's rand() is process-wide and takes a lock, so it must never run on
    the audio thread; these take its place everywhere. */
int qmRand();

/** Restarts the calling thread's generator (a new thread starts at seed 1). */
void qmSrand (unsigned int seed);

/** The largest value qmRand() returns. */
constexpr int qmRandMax = 32767;
