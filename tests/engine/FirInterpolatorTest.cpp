#include "QmFirInterpolator.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

namespace
{
    std::vector<float> testSignal (size_t length)
    {
        std::vector<float> x (length);
        for (size_t i = 0; i < length; ++i)
            x[i] = (float) std::sin (0.01 * (double) i * (double) i) + (float) (i % 7) * 0.1f;
        return x;
    }
}

TEST (FirInterpolator, TapsAreAWindowedSincWithPhasesSummingToOne)
{
    auto fir = std::make_unique<QmFirInterpolator>();
    const float* h = fir->taps;

    // Phase 0 passes the input samples through: the sinc's peak and its zeros.
    EXPECT_NEAR (h[32], 0.99898, 1e-4);
    EXPECT_NEAR (h[28], 0.0, 1e-6);

    for (int p = 0; p < 4; ++p)
    {
        double sum = 0.0;
        for (int j = 0; j < 16; ++j)
            sum += h[4 * j + p];
        EXPECT_NEAR (sum, 0.999, 1e-3) << p;
    }

    EXPECT_TRUE (std::equal (h, h + 64, QmFirInterpolator::getSharedTaps()));
}

TEST (FirInterpolator, BlocksAndPushesConvolveAlikeAcrossHistoryWraps)
{
    // Over 2500 inputs the linear history wraps twice (at push 984 and 1968).
    auto pushed = std::make_unique<QmFirInterpolator>();
    auto blocks = std::make_unique<QmFirInterpolator>();
    const float* h = pushed->taps;
    const auto in = testSignal (2500);

    std::vector<float> want (in.size() * 4), got (in.size() * 4);
    for (size_t i = 0; i < in.size(); ++i)
        pushed->push (in[i], want.data() + 4 * i);

    // interpolate works four inputs at a time; every output must still be
    // push's, bit for bit, for block lengths 1 to 23.
    for (size_t done = 0, length = 1; done < in.size(); done += length, length = length % 23 + 1)
        blocks->interpolate (in.data() + done, got.data() + 4 * done, (int) std::min (length, in.size() - done));
    EXPECT_EQ (got, want);

    // Both against direct convolution of the upsampled stream.
    for (size_t i = 0; i < in.size(); ++i)
        for (int p = 0; p < 4; ++p)
        {
            double acc = 0.0;
            for (size_t j = (i < 15 ? 15 - i : 0); j < 16; ++j)
                acc += in[i + j - 15] * h[4 * j + (size_t) p];
            ASSERT_NEAR (want[4 * i + (size_t) p], acc, 1e-5) << i;
        }

    // Pushes after a block continue the same stream.
    float a[4], b[4];
    pushed->push (0.25f, a);
    blocks->push (0.25f, b);
    EXPECT_TRUE (std::equal (a, a + 4, b));
}

TEST (FirInterpolator, DecimationIsRightForEveryBlockLength)
{
    auto fir = std::make_unique<QmFirInterpolator>();
    const float* h = QmFirInterpolator::getSharedTaps();
    const auto stream = testSignal (4 * 200);

    // Reference: 64 zeros of history, then the whole stream.
    std::vector<float> z (64, 0.0f);
    z.insert (z.end(), stream.begin(), stream.end());

    // Blocks of 1 to 17 samples, so the carried history spans several blocks.
    for (size_t done = 0, length = 1; done < stream.size() / 4; done += length, length = length % 17 + 1)
    {
        const size_t n = std::min (length, stream.size() / 4 - done);
        std::copy_n (stream.begin() + (long) (4 * done), 4 * n, fir->getDecimationInput());
        std::vector<float> out (n);
        fir->decimate (out.data(), (int) n);

        for (size_t j = 0; j < n; ++j)
        {
            double acc = 0.0;
            for (size_t m = 0; m < 64; ++m)
                acc += z[4 * (done + j) + m] * h[m];
            ASSERT_NEAR (out[j], acc, 1e-5) << done + j;
        }
    }
}
