#include "QmDecimator.h"
#include "QmHumNoiseSource.h"
#include "QmRandom.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

namespace
{
    uint32_t bitsOf (float x)
    {
        uint32_t bits;
        std::memcpy (&bits, &x, sizeof (bits));
        return bits;
    }

    // The hum and noise of one sample at a time, as plainly as they are defined.
    struct PlainHumNoise
    {
        QmOnePole highPass;
        float phase = 0.0f;
        unsigned int random = 0;

        void fill (float* hum, float* noise, int n, int rate)
        {
            const float step = 50.0f / (float) rate;

            for (int i = 0; i < n; ++i)
            {
                hum[i] = highPass.step (std::min (std::sin (6.2831855f * phase), -0.5f));
                noise[i] = ((float) (qmRandNext (random) % 1000) * 0.001f - 0.5f) * 2.0f;

                phase += step;
                if (phase > 1.0f)
                    phase -= 1.0f;
            }

            phase = std::fabs (phase);
        }
    };
}

TEST (VoicePath, HumAndNoiseMatchThePlainPerSampleFormulaToTheBit)
{
    for (const int rate : { 44100, 88200, 96000 })
    {
        qmSrand (12345);
        QmHumNoiseSource source (rate);
        PlainHumNoise plain;
        plain.highPass = source.highPass;
        plain.random = qmRandState();

        std::vector<float> hum (QmHumNoiseSource::bufferSize), noise (QmHumNoiseSource::bufferSize);

        // Odd lengths, lengths below and at the lane count, and enough blocks
        // to wrap the 50 Hz phase several times.
        for (const int n : { 1, 7, 8, 9, 1023, 0, 4096, 5, 8192, 3001 })
        {
            source.fill (n);
            plain.fill (hum.data(), noise.data(), n, rate);

            for (int i = 0; i < n; ++i)
            {
                ASSERT_EQ (bitsOf (source.hum[i]), bitsOf (hum[i])) << "rate " << rate << " n " << n << " sample " << i;
                ASSERT_EQ (source.noise[i], noise[i]) << "rate " << rate << " n " << n << " sample " << i;
            }

            ASSERT_EQ (source.phase, plain.phase);
            ASSERT_EQ (qmRandState(), plain.random) << "the thread's random state must advance one draw per sample";
        }
    }
}

TEST (VoicePath, HumPhasesOutsideTheComputedTroughClipToMinusAHalf)
{
    // Every float phase between the sine's -0.5 crossings (7/12 and 11/12) and
    // the bounds where computing it starts is clipped anyway.
    auto clipped = [] (float p) { return std::min (std::sin (6.2831855f * p), -0.5f) == -0.5f; };

    for (float p = 0.5f; p < QmHumNoiseSource::clippedBelow; p = std::nextafter (p, 1.0f))
        ASSERT_TRUE (clipped (p)) << p;

    for (float p = 1.0f; p > QmHumNoiseSource::clippedAbove; p = std::nextafter (p, 0.0f))
        ASSERT_TRUE (clipped (p)) << p;

    // The bounds are tight: a little further in, the trough is computed.
    EXPECT_FALSE (clipped (0.5834f));
    EXPECT_FALSE (clipped (0.9166f));
}

TEST (VoicePath, DecimatorBlocksMatchSamplesAcrossBlockBoundaries)
{
    // Blocks shorter than, equal to and longer than the filter's 9-pair
    // memory, one after another, against the per-sample form.
    QmDecimator single, block;
    std::vector<float> in (2 * 600), out (600);
    for (size_t i = 0; i < in.size(); ++i)
        in[i] = std::sin (0.61f * (float) i) * (1.0f + (float) (i % 5)) - (i % 11 == 0 ? 0.75f : 0.0f);

    size_t offset = 0;
    for (const int n : { 3, 9, 10, 1, 17, 0, 200, 8, 300 })
    {
        block.processBlock (in.data() + 2 * offset, out.data(), n);

        for (int k = 0; k < n; ++k, ++offset)
            ASSERT_EQ (out[(size_t) k], single.process (in[2 * offset], in[2 * offset + 1])) << "block of " << n << ", output " << k;
    }

    EXPECT_EQ (offset, 548u);
}
