#include "QmFirInterpolator.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

namespace
{
    std::unique_ptr<QmFirInterpolator> makeInterpolator() { return std::make_unique<QmFirInterpolator>(); }

    // Direct convolution of the upsampled stream: the reference for push.
    std::vector<float> referenceInterpolation (const float* h, const std::vector<float>& in)
    {
        std::vector<float> out (in.size() * 4);

        for (size_t i = 0; i < in.size(); ++i)
            for (int p = 0; p < 4; ++p)
            {
                double acc = 0.0;
                for (int j = 0; j < 16; ++j)
                    if (i + (size_t) j >= 15)
                        acc += in[i + (size_t) j - 15] * h[4 * j + p];
                out[4 * i + (size_t) p] = (float) acc;
            }

        return out;
    }
}

TEST (FirInterpolator, TapsAreAWindowedSincWithPhasesSummingToOne)
{
    auto fir = makeInterpolator();
    const float* h = fir->taps;

    EXPECT_EQ (h[32], fir->window[32]);
    EXPECT_NEAR (h[32], 0.99898, 1e-4);
    EXPECT_NEAR (fir->window[0], 0.0, 1e-6);
    EXPECT_NEAR (h[33], fir->window[33] * std::sin (M_PI / 4) / (M_PI / 4), 1e-6);
    EXPECT_NEAR (h[28], 0.0, 1e-6);    // the sinc's zeros at whole input samples

    double total = 0.0;
    for (int p = 0; p < 4; ++p)
    {
        double sum = 0.0;
        for (int j = 0; j < 16; ++j)
            sum += h[4 * j + p];
        EXPECT_NEAR (sum, 0.999, 1e-3) << p;
        total += sum;
    }
    EXPECT_NEAR (total, 3.996, 2e-3);

    for (int m = 0; m < 64; ++m)
        EXPECT_EQ (QmFirInterpolator::getSharedTaps()[m], h[m]);

    EXPECT_EQ (reinterpret_cast<uintptr_t> (fir->taps) % 16, 0u);
}

TEST (FirInterpolator, ImpulseWalksThroughThePhasesAndTheHistoryWrapsSeamlessly)
{
    auto fir = makeInterpolator();
    const float* h = fir->taps;
    float out[4];

    fir->push (1.0f, out);
    for (int p = 0; p < 4; ++p)
        EXPECT_EQ (out[p], h[60 + p]);

    for (int step = 1; step < 16; ++step)
    {
        fir->push (0.0f, out);
        for (int p = 0; p < 4; ++p)
            EXPECT_EQ (out[p], h[60 - 4 * step + p]) << step;
    }

    // Over 2000 pushes the linear history wraps twice (at push 984 and 1968).
    auto stream = makeInterpolator();
    std::vector<float> in (2000);
    for (size_t i = 0; i < in.size(); ++i)
        in[i] = (float) std::sin (0.01 * (double) i * (double) i) + 0.001f * (float) i;

    std::vector<float> got (in.size() * 4);
    stream->interpolate (in.data(), got.data(), (int) in.size());
    const auto want = referenceInterpolation (h, in);

    for (size_t i = 0; i < got.size(); ++i)
        ASSERT_NEAR (got[i], want[i], 1e-5f) << i;
}

TEST (FirInterpolator, DecimationIsRightForEveryBlockLength)
{
    auto fir = makeInterpolator();
    const float* h = QmFirInterpolator::getSharedTaps();

    std::vector<float> stream (4 * 200);
    for (size_t i = 0; i < stream.size(); ++i)
        stream[i] = (float) std::cos (0.37 * (double) i) + (float) (i % 7) * 0.1f;

    // Reference: 64 zeros of history, then the whole stream.
    std::vector<float> z (64, 0.0f);
    z.insert (z.end(), stream.begin(), stream.end());

    // Blocks of 1 to 17 samples, so the carried history spans several blocks.
    size_t done = 0;
    int length = 1;

    while (done < stream.size() / 4)
    {
        const int n = std::min (length, (int) (stream.size() / 4 - done));
        std::copy (stream.begin() + (long) (4 * done), stream.begin() + (long) (4 * (done + (size_t) n)), fir->getDecimationInput());

        std::vector<float> out ((size_t) n);
        fir->decimate (out.data(), n);

        for (int j = 0; j < n; ++j)
        {
            double acc = 0.0;
            for (int m = 0; m < 64; ++m)
                acc += z[4 * (done + (size_t) j) + (size_t) m] * h[m];
            ASSERT_NEAR (out[(size_t) j], acc, 1e-5) << done + (size_t) j;
        }

        done += (size_t) n;
        length = length % 17 + 1;
    }
}

TEST (FirInterpolator, BlocksGiveExactlyWhatPushGives)
{
    // interpolate works four inputs at a time; every output must still be
    // push's, bit for bit, for any block length and across the history moves.
    auto pushed = makeInterpolator();
    auto blocks = makeInterpolator();

    std::vector<float> in (2500);
    for (size_t i = 0; i < in.size(); ++i)
        in[i] = (float) std::sin (0.031 * (double) i) * (1.0f + (float) (i % 13) * 0.1f);

    std::vector<float> want (in.size() * 4), got (in.size() * 4);
    for (size_t i = 0; i < in.size(); ++i)
        pushed->push (in[i], want.data() + 4 * i);

    size_t done = 0;
    int length = 1;
    while (done < in.size())
    {
        const int n = std::min (length, (int) (in.size() - done));
        blocks->interpolate (in.data() + done, got.data() + 4 * done, n);
        done += (size_t) n;
        length = length % 23 + 1;
    }

    for (size_t i = 0; i < got.size(); ++i)
        ASSERT_EQ (got[i], want[i]) << i;
    EXPECT_EQ (blocks->index, pushed->index);

    // Mixed use: pushes after a block continue the same stream.
    float a[4], b[4];
    pushed->push (0.25f, a);
    blocks->push (0.25f, b);
    for (int p = 0; p < 4; ++p)
        EXPECT_EQ (a[p], b[p]);
}
