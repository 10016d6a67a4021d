#include "VoiceTestSupport.h"

#include <gtest/gtest.h>

namespace
{
    // Whether a lies within k representable floats of b, a finite positive float.
    bool withinUlps (float a, float b, int k) { return std::abs (a - b) <= (float) k * (std::nextafter (b, INFINITY) - b); }
}

TEST (CutoffPath, Exp2ConversionsAndSummedScalarSources)
{
    // Float's whole range, denormal results included.
    for (int i = 0; i < 40000; i += 4)
    {
        alignas (16) float x[4], y[4];
        for (int k = 0; k < 4; ++k)
            x[k] = -149.0f + 276.9f * (float) (i + k) / 40000.0f;
        _mm_store_ps (y, QmFastMath::exp2Float4Single (_mm_load_ps (x)));
        for (int k = 0; k < 4; ++k)
            ASSERT_TRUE (withinUlps (y[k], std::pow (2.0f, x[k]), 1)) << x[k];
    }

    // Every octave a voice reaches, the tail of an odd block, and the
    // extremes: overflow, underflow, NaN. The engine's rate changes nothing.
    QmProcessContext context;
    context.sampleRate = 192000.0f;
    context.blockLength = 8011;
    QmSignal frequency (QmSignal::block, &context), cutoff (QmSignal::block, &context);
    const float inf = std::numeric_limits<float>::infinity();
    const float edges[] = { 4.75f, 16.0f, 15.999f, 124.9f, 125.1f, 200.0f, inf, -120.0f, -300.0f, -inf, std::nanf ("") };
    std::vector<float> octaves ((size_t) context.blockLength);
    for (int i = 0; i < 8000; ++i)
        octaves[(size_t) i] = -8.0f + 0.003f * (float) i + 0.000123f * (float) (i % 7);
    std::copy (std::begin (edges), std::end (edges), octaves.begin() + 8000);
    std::copy (octaves.begin(), octaves.end(), frequency.buffer);
    std::copy (octaves.begin(), octaves.end(), cutoff.buffer);

    frequency.pitchToFrequency();
    cutoff.pitchToCutoff();

    for (int i = 0; i < context.blockLength; ++i)
    {
        const float plain = QmSignal::frequencyOf (octaves[(size_t) i]);
        ASSERT_TRUE (voicetest::sameBits (frequency.buffer[i], plain)) << octaves[(size_t) i];
        if (std::isfinite (plain) && plain > 0.0f)
            ASSERT_TRUE (withinUlps (cutoff.buffer[i], plain, 3)) << octaves[(size_t) i];
        else
            ASSERT_TRUE (cutoff.buffer[i] == plain || (std::isnan (plain) && std::isnan (cutoff.buffer[i]))) << octaves[(size_t) i];
    }

    // Whole octaves carry no error at all; A4 sits at half of 440 Hz.
    EXPECT_EQ (cutoff.buffer[0], frequency.buffer[0]);
    EXPECT_EQ (cutoff.buffer[8001], frequency.buffer[8001]);
    EXPECT_NEAR (cutoff.buffer[8000], 220.0f, 0.005f);

    // A block and a scalar summed into one input, over a few blocks.
    voicetest::Source pitch (&context), offset (&context, QmSignal::scalar);
    voicetest::Probe filter (&context);
    const int sum = filter.tap (pitch.out);
    offset.out->connect (filter.inputs[(size_t) sum]);
    const float pitches[] = { 3.0f, -0.0f, 1.0e-3f, -2.5f, 11.3f, 1.0e30f, -1.0e-30f };
    std::copy (std::begin (pitches), std::end (pitches), pitch.signal.buffer);

    for (float v : { 0.0f, -0.0f, 0.25f, 0.0f, std::nanf ("") })
    {
        offset.signal.value = v;
        voicetest::pull (filter, 7);
        for (int i = 0; i < 7; ++i)
        {
            const float expected = 0.0f + pitches[i] + v, got = filter.samples (sum)[i];
            ASSERT_TRUE (voicetest::sameBits (got, expected) || (std::isnan (v) && std::isnan (got))) << v << " " << i << ": " << got;
        }
    }
}
