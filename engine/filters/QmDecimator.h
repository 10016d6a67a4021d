#pragma once

#include <cstdint>

/** 2:1 decimation by a 19-tap linear-phase half-band filter in transposed
    form: one output from each pair of oversampled samples, 9 engine samples
    of delay, unity gain at DC. */
struct QmDecimator
{
    /** One output from an even and the following odd sample. */
    float process (float even, float odd) noexcept;

    /** n outputs from the 2n samples of in, the same as n calls of process.
        in and out must not overlap. */
    void processBlock (const float* in, float* out, int n) noexcept;

    /** Zeroes the filter's states. */
    void reset() noexcept { s0 = s1 = s2 = s3 = s4 = s5 = s6 = s7 = s8 = 0.0f; }

    float s0 = 0.0f, s1 = 0.0f, s2 = 0.0f, s3 = 0.0f, s4 = 0.0f,
          s5 = 0.0f, s6 = 0.0f, s7 = 0.0f, s8 = 0.0f;

    float c0 = 0.5f;
    float h1 = 0.3077392578125f;
    float h2 = -0.07794189453125f;
    float h3 = 0.02618408203125f;
    float h4 = -0.007080078125f;
    float h5 = 0.0010986328125f;

    int32_t order = 2;

private:
    /** Blocks from this length on take the direct form. */
    static constexpr int minDirectBlock = 24;

    float processOrder2 (float e, float o) noexcept
    {
        const float out = h5 * e + s8;
        s8 = h4 * e + s7;
        s7 = h3 * e + s6;
        s6 = h2 * e + s5;
        s5 = h1 * e + s4;
        s4 = c0 * o + (h1 * e + s3);
        s3 = h2 * e + s2;
        s2 = h3 * e + s1;
        s1 = h4 * e + s0;
        s0 = h5 * e;
        return out;
    }
};
