#pragma once

/** 4x interpolation by a 64-tap windowed-sinc filter, and the matching 4:1
    decimation that brings the multi filter back to the engine rate.

    Phase p of the interpolator uses taps p, p + 4, ..., p + 60, so four
    consecutive taps form one aligned four-float vector; phase 0, whose taps
    are the sinc's zeros but for its peak, is the input times that peak. The
    decimation filters by the same taps, again with phase 0 reduced to its
    peak.
*/
class QmFirInterpolator
{
public:
    static constexpr int numTaps = 64;
    static constexpr int factor = 4;
    static constexpr int bufferSize = 32896;

    /** The largest block (input samples) that interpolate and decimate take. */
    static constexpr int maxBlock = (bufferSize - numTaps) / factor;

    QmFirInterpolator();

    /** Stores one input sample and writes one output sample per phase. */
    void push (float x, float* out) noexcept;

    /** push for each of n input samples: out receives 4n samples. */
    void interpolate (const float* in, float* out, int n) noexcept;

    /** Where the next block's 4n oversampled samples go: right behind the
        decimation history, 32-byte aligned. */
    float* getDecimationInput() noexcept { return decimationHistory + numTaps; }

    /** out[j] = sum over m of z[4j + m] h[m], with z the 64 history samples
        followed by the 4n samples written to getDecimationInput(); then the
        last 64 samples of z become the history of the next block. */
    void decimate (float* out, int n) noexcept;

    /** The process-wide tap table that the decimation reads (the same taps). */
    static const float* getSharedTaps() noexcept;

    /** Zeroes the interpolation and decimation histories. */
    void reset() noexcept;

    /** True when the samples that the next outputs depend on are finite. */
    bool isFinite() const noexcept;

    float window[numTaps];
    alignas (32) float taps[numTaps];
    alignas (16) float tapSplats[numTaps * 4];   // each tap four times, for interpolate
    alignas (32) float history[bufferSize];
    alignas (32) float decimationHistory[bufferSize];
    int index = 16;
};
