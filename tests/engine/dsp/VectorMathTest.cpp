#include "QmVectorMath.h"

#include <gtest/gtest.h>

#include <cmath>

namespace
{
    std::vector<float> points (double from, double to, double step, std::vector<float> extra = {})
    {
        for (double x = from; x < to; x += step)
            extra.push_back ((float) x);
        return extra;
    }

    // Largest relative error of f against reference (absolute where the
    // reference is 0); a non-finite result counts as infinite error.
    template <typename Vector, typename Reference>
    double worstError (Vector f, Reference reference, std::vector<float> xs)
    {
        double worst = 0.0;
        xs.resize ((xs.size() + 3) & ~size_t (3), xs.back());

        for (size_t i = 0; i < xs.size(); i += 4)
        {
            alignas (16) float out[4];
            _mm_store_ps (out, f (_mm_loadu_ps (xs.data() + i)));

            for (size_t j = 0; j < 4; ++j)
            {
                const double want = reference ((double) xs[i + j]);
                const double error = want == 0.0 ? std::abs (out[j]) : std::abs (out[j] - want) / std::abs (want);
                worst = std::isfinite (out[j]) ? std::max (worst, error) : HUGE_VAL;
            }
        }

        return worst;
    }
}

TEST (VectorMath, TanhRatioAndTanMatchTheLibraryToAFewUlps)
{
    auto tanhRatio = [] (double v) { return v == 0.0 ? 1.0 : std::tanh (v) / v; };

    // Zeros, huge values where v^2 overflows or nearly does, and both sides of the saturation point.
    const std::vector<float> special { 0.0f, -0.0f, 1e30f, -1e30f, 1.9e19f, -3e38f, 7.9053106f, 7.9053116f };
    EXPECT_LT (worstError (QmVectorMath::tanhRatio4, tanhRatio, points (-30.0, 30.0, 1.3e-4, special)), 5e-7);
    EXPECT_LT (worstError (QmVectorMath::tanhRatio4, tanhRatio, points (-1e-3, 1e-3, 1e-7)), 2e-7);

    // tan below a quarter turn.
    EXPECT_LT (worstError (QmVectorMath::tan4, [] (double x) { return std::tan (x); }, points (-1.5, 1.5, 3.1e-6, { 0.0f })), 5e-7);
}
