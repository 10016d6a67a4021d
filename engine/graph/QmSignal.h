#pragma once

#include "QmAlignedBuffer.h"
#include "QmFastMath.h"

#include <cstdint>
#include <string>

struct QmProcessContext;

/** The signal record that sockets pass around: one value per block (scalar)
    or one float per sample (block). Block operations cover samples
    0 .. context->blockLength - 1. */
struct QmSignal
{
    enum Kind : uint32_t { scalar = 0, block = 1 };

    /** Floats in a block signal's buffer; blocks never exceed it. */
    static constexpr int capacity = 8320;

    QmSignal (uint32_t kind, QmProcessContext* context);

    void clear();
    void mixAdd (const QmSignal* source);
    void multiply (const QmSignal* other);
    void addConstant (float c);
    void addScaled (const QmSignal* source, float gain);
    void clamp (float lo, float hi);

    /** Turns octaves above 16.3516 Hz into a frequency normalised to the
        88200 Hz reference (a factor of 0.5), so pitches stay in tune at any
        host rate once consumers divide by the context's rate. */
    void pitchToFrequency();

    /** pitchToFrequency's conversion of one pitch: the power as powf gives it
        (to within an ulp), rounded to float, then the product in double. */
    static float frequencyOf (float pitch) noexcept { return (float) ((double) QmFastMath::exp2Float (pitch) * 16.3516 * 0.5); }

    /** frequencyOf for four pitches, for loops that do more with each sample. */
    static __m128 frequencyOf (__m128 pitches) noexcept
    {
        // The power as powf gives it (to within an ulp), rounded to float, then
        // the product in double. Halving is exact, so one product by 8.1758
        // rounds as the two do. Pair by pair, as exp2Float4 works.
        auto pair = [] (__m128d octaves)
        {
            const __m128 power = _mm_cvtpd_ps (QmFastMath::Detail::exp2x2 (octaves));
            return _mm_cvtpd_ps (_mm_mul_pd (_mm_cvtps_pd (power), _mm_set1_pd (16.3516 * 0.5)));
        };

        return _mm_movelh_ps (pair (_mm_cvtps_pd (pitches)), pair (_mm_cvtps_pd (_mm_movehl_ps (pitches, pitches))));
    }

    /** pitchToFrequency in single precision, for filter cutoffs: within two
        ulps of it, at a fraction of the cost. Oscillator phases keep the
        exact form. */
    void pitchToCutoff();

    std::string toString() const;

    QmProcessContext* context;
    uint32_t kind;
    float* buffer = nullptr;    // 32-byte aligned, block signals only
    float value = 0.0f;
    int32_t index = 0;

    QmSignal (const QmSignal&) = delete;
    QmSignal& operator= (const QmSignal&) = delete;

private:
    QmAlignedBuffer storage;    // owns buffer
};
