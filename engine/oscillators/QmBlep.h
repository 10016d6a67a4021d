#pragma once

/** Band-limited step and ramp corrector.

    Whoever renders a wave reports each jump (step) and bend (ramp) that falls
    inside the current sample; the difference between the band-limited and the
    ideal response is added into a ring of future samples, 8 samples on each
    side of the corner. The naive samples go into the same ring and come out
    corrected 17 samples later. The band limit is a quarter of the rate.
*/
class QmBlep
{
public:
    QmBlep();

    /** Drops every pending correction and sample. */
    void reset() noexcept;

    /** position: fraction of the current sample elapsed since the jump, in (0, 1]. */
    void addStep (float position, float amount);

    /** A slope change of D value units per sample is an amount of -D / 4. */
    void addRamp (float position, float amount);

    /** Adds the naive sample and returns the corrected output 17 samples behind. */
    float process (float naive) noexcept
    {
        ring[writeIndex] += naive;

        // the ring's size is a power of two
        const int read = (writeIndex - delay) & (ringSize - 1);
        writeIndex = (writeIndex + 1) & (ringSize - 1);

        const float y = ring[read];
        ring[read] = 0.0f;
        return y;
    }

    /** process() for a run of up to maxRun samples whose naive values the
        renderer works out first: beginRun, then seek (i) before adding the
        corners of sample i of the run, then endRun, which reads all of its
        outputs (so a run stays far shorter than the ring). The ring still takes
        every addition in process()'s order: the outputs are the same to the bit. */
    static constexpr int maxRun = 256;

    void beginRun (const float* naive) noexcept
    {
        runNaive = naive;
        runStart = writeIndex;
        runAdded = 0;
    }

    void seek (int i) noexcept   { runAt = i; }

    /** Writes the run's m corrected outputs and leaves the run. */
    void endRun (float* out, int m) noexcept;

    static constexpr int tableSize = 2048;
    static constexpr int pointsPerSample = 128;
    static constexpr int ringSize = 2048;
    static constexpr int taps = 16;
    static constexpr int delay = 17;

    /** The band-limited step and the ramp residual. They depend on constants
        only: one copy, built by the first corrector, serves every one. Each has
        a guard entry equal to its last and a zero after it. */
    struct Tables
    {
        Tables();

        float step[tableSize + 2];
        float ramp[tableSize + 2];
    };

    static const Tables& getTables();

    const float* const step = getTables().step;
    const float* const ramp = getTables().ramp;
    float ring[ringSize];
    int writeIndex = 0;

private:
    /** Inside a run: adds the naive samples before runAt and moves the write
        index to it, where the corners of that sample belong. */
    void catchUp() noexcept;

    /** Slots from slot on, n of them, as at most two stretches f (ring part, offset, length). */
    template <typename F>
    void forSlots (int slot, int n, F&& f);

    const float* runNaive = nullptr;
    int runStart = 0, runAdded = 0, runAt = 0;

    template <typename Apply>
    void forEachTap (float position, Apply&& apply);
};

/** Modified Bessel function of the first kind, order 0. */
float besselI0 (float x);

/** Writes the symmetric Kaiser window of n points into out. */
void kaiserWindow (int n, float* out, float beta);
