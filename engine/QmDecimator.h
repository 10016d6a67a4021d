#pragma once

#include <cstdint>

/** 2:1 decimation by a 19-tap linear-phase half-band filter in transposed
    form: one output from each pair of oversampled samples, 9 engine samples
    of delay, unity gain at DC. */
struct QmDecimator
{
    float process (float even, float odd) noexcept;

    float s0 = 0.0f, s1 = 0.0f, s2 = 0.0f, s3 = 0.0f, s4 = 0.0f,
          s5 = 0.0f, s6 = 0.0f, s7 = 0.0f, s8 = 0.0f;

    float c0 = 0.5f;
    float h1 = 0.3077392578125f;
    float h2 = -0.07794189453125f;
    float h3 = 0.02618408203125f;
    float h4 = -0.007080078125f;
    float h5 = 0.0010986328125f;

    int32_t order = 2;
};
