#include "QmFirInterpolator.h"
#include "QmJFetStage.h"
#include "QmLadderCore.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

TEST (FastPath, InterpolatorPhaseZeroIsTheInputTimesThePeakTap)
{
    // A loud signal with exact zeros and quiet stretches among its samples:
    // the phase that lands on the inputs must stay within 1e-14 of the
    // signal's level of the full sixteen-tap sum, and be the input times the
    // peak tap.
    auto fir = std::make_unique<QmFirInterpolator>();
    const float* h = fir->taps;
    const int n = 301;
    std::vector<float> in (n), out (4 * n);
    for (int i = 0; i < n; ++i)
        in[(size_t) i] = i % 5 == 0 ? 0.0f : (float) std::sin (0.37 * i) * (i % 3 == 0 ? 1e-4f : 3.0f);

    fir->interpolate (in.data(), out.data(), 201);
    fir->interpolate (in.data() + 201, out.data() + 4 * 201, n - 201);

    for (int i = 0; i < n; ++i)
    {
        const float centre = i >= 7 ? in[(size_t) (i - 7)] : 0.0f;
        EXPECT_EQ (out[4 * (size_t) i], centre * h[32]) << i;

        // the plain sum, in float and in the filter's order
        float full = 0.0f;
        for (int j = 0; j < 16; ++j)
            full += (i + j - 15 >= 0 ? in[(size_t) (i + j - 15)] : 0.0f) * h[4 * j];
        EXPECT_NEAR (out[4 * (size_t) i], full, 3.0 * 1e-14) << i;
    }
}

TEST (FastPath, DecimationStaysWithinRoundingOfTheFullSum)
{
    // Blocks across the kernel's internal runs of 128 outputs, with odd
    // tails, and the largest block (whose last inputs end the buffer): every
    // output within 1e-6 of the signal's level of the 64-tap sum.
    auto fir = std::make_unique<QmFirInterpolator>();
    const float* h = fir->taps;
    std::vector<float> z (QmFirInterpolator::numTaps, 0.0f);

    for (const int n : { 303, 6, QmFirInterpolator::maxBlock })
    {
        float* in = fir->getDecimationInput();
        for (int i = 0; i < 4 * n; ++i)
        {
            in[i] = (float) std::sin (0.003 * (double) (z.size() + (size_t) i)) + (i % 9 == 0 ? 0.5f : 0.0f);
            z.push_back (in[i]);
        }

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

TEST (FastPath, TwelveWithoutResonanceIsTheSameInOneBlockOrBaseByBase)
{
    // The coefficients are formed for groups of bases at once; any block
    // length (group tails of 1 to 3 bases included) must give what one base
    // per call gives, to the bit.
    const int bases = 67;
    std::vector<float> g (bases), in (4 * bases);
    for (int i = 0; i < bases; ++i)
        g[(size_t) i] = (float) std::tan (3.14159265 * (50.0 + 150.0 * i) / 352800.0);
    for (int i = 0; i < 4 * bases; ++i)
        in[(size_t) i] = 0.5f * (float) std::sin (0.02 * i) + (i % 4 == 1 ? 0.1f : 0.0f);

    QmJFetStage whole, single;
    std::vector<float> a (in), b (in);
    QmLadderCore::process12 (whole, a.data(), g.data(), 0.0f, 4 * bases, 0.0f);
    for (int i = 0; i < bases; ++i)
        QmLadderCore::process12 (single, b.data() + 4 * i, g.data() + i, 0.0f, 4, 0.0f);

    EXPECT_EQ (a, b);
    EXPECT_EQ (whole.s0, single.s0);
    EXPECT_EQ (whole.s1, single.s1);
    EXPECT_EQ (whole.out, single.out);
    EXPECT_NE (a[100], 0.0f);
}
