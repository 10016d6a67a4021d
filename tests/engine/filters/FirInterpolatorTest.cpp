#include "QmFirInterpolator.h"

#include <gtest/gtest.h>

#include <cmath>

namespace
{
    // A loud signal with exact zeros and quiet stretches among its samples.
    std::vector<float> testSignal (size_t length)
    {
        std::vector<float> x (length);
        for (size_t i = 0; i < length; ++i)
            x[i] = i % 5 == 0 ? 0.0f : (float) std::sin (0.01 * (double) i * (double) i) * (i % 3 == 0 ? 1e-4f : 3.0f);
        return x;
    }
}

TEST (FirInterpolator, InterpolationAndDecimationAreTheFullSumsForEveryBlockLength)
{
    // Over 2500 inputs the linear history wraps twice (at push 984 and 1968).
    auto pushed = std::make_unique<QmFirInterpolator>();
    auto blocks = std::make_unique<QmFirInterpolator>();
    const float* h = pushed->taps;
    const auto in = testSignal (2500);

    std::vector<float> want (in.size() * 4), got (in.size() * 4);
    for (size_t i = 0; i < in.size(); ++i)
        pushed->push (in[i], want.data() + 4 * i);

    // interpolate works four inputs at a time; every output must still be push's, bit for bit.
    for (size_t done = 0, length = 1; done < in.size(); done += length, length = length % 23 + 1)
        blocks->interpolate (in.data() + done, got.data() + 4 * done, (int) std::min (length, in.size() - done));
    EXPECT_EQ (got, want);

    // Against direct convolution; the phase landing on the inputs is the input
    // times the peak tap, so it stays exact however quiet the signal gets.
    // Each phase of the windowed sinc sums to about one.
    for (size_t i = 0; i < in.size(); ++i)
    {
        ASSERT_EQ (want[4 * i], (i >= 7 ? in[i - 7] : 0.0f) * h[32]) << i;
        for (size_t p = 1; p < 4; ++p)
        {
            double acc = 0.0, sum = 0.0;
            for (size_t j = 0; j < 16; ++j)
                acc += (i + j >= 15 ? in[i + j - 15] : 0.0f) * h[4 * j + p], sum += h[4 * j + p];
            ASSERT_NEAR (want[4 * i + p], acc, 1e-5) << i;
            ASSERT_NEAR (sum, 0.999, 1e-3) << i;
        }
    }

    // Short blocks carry history across several calls; 303 crosses the
    // kernel's runs of 128 outputs; the largest block ends the input buffer.
    auto fir = std::make_unique<QmFirInterpolator>();
    std::vector<float> z (QmFirInterpolator::numTaps, 0.0f);

    for (const int n : { 1, 2, 3, 5, 17, 303, QmFirInterpolator::maxBlock, 6 })
    {
        float* in = fir->getDecimationInput();
        for (int i = 0; i < 4 * n; ++i)
            z.push_back (in[i] = (float) std::sin (0.003 * (double) z.size()) + (i % 9 == 0 ? 0.5f : 0.0f));

        std::vector<float> out ((size_t) n);
        fir->decimate (out.data(), n);

        const size_t start = z.size() - 4 * (size_t) n - QmFirInterpolator::numTaps;
        for (int j = 0; j < n; ++j)
        {
            double full = 0.0;
            for (int m = 0; m < QmFirInterpolator::numTaps; ++m)
                full += (double) z[start + 4 * (size_t) j + (size_t) m] * h[m];
            ASSERT_NEAR (out[(size_t) j], full, 1.5e-6) << n << " " << j;
        }
    }
}
