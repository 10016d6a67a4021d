#include "QmVectorMath.h"

#include <gtest/gtest.h>

#include <cmath>

namespace
{
    // Largest relative error of f against reference over [from, to).
    template <typename Vector, typename Reference>
    double worstError (Vector f, Reference reference, double from, double to, double step)
    {
        double worst = 0.0;

        for (double x = from; x < to; x += 4 * step)
        {
            alignas (16) float in[4] = { (float) x, (float) (x + step), (float) (x + 2 * step), (float) (x + 3 * step) };
            alignas (16) float out[4];
            _mm_store_ps (out, f (_mm_load_ps (in)));

            for (int i = 0; i < 4; ++i)
            {
                const double want = reference ((double) in[i]);
                worst = std::max (worst, std::abs (out[i] - want) / std::abs (want));
            }
        }

        return worst;
    }
}

TEST (VectorMath, TanhRatioMatchesTheLibraryToAFewUlps)
{
    auto reference = [] (double v) { return v == 0.0 ? 1.0 : std::tanh (v) / v; };
    EXPECT_LT (worstError (QmVectorMath::tanhRatio4, reference, -30.0, 30.0, 1.3e-4), 5e-7);
    EXPECT_LT (worstError (QmVectorMath::tanhRatio4, reference, -1e-3, 1e-3, 1e-7), 2e-7);

    const __m128 special = QmVectorMath::tanhRatio4 (_mm_setr_ps (0.0f, -0.0f, 1e30f, -1e30f));
    EXPECT_EQ (QmVectorMath::lane<0> (special), 1.0f);
    EXPECT_EQ (QmVectorMath::lane<1> (special), 1.0f);
    EXPECT_FLOAT_EQ (QmVectorMath::lane<2> (special), 1e-30f);
    EXPECT_FLOAT_EQ (QmVectorMath::lane<3> (special), 1e-30f);

    // Around the saturation point, and where v^2 overflows or nearly does.
    const __m128 edge = QmVectorMath::tanhRatio4 (_mm_setr_ps (7.9053106f, 7.9053116f, 1.9e19f, -3e38f));
    EXPECT_NEAR (QmVectorMath::lane<0> (edge), std::tanh (7.9053106) / 7.9053106, 4e-7 / 7.9);
    EXPECT_FLOAT_EQ (QmVectorMath::lane<1> (edge), 1.0f / 7.9053116f);
    EXPECT_FLOAT_EQ (QmVectorMath::lane<2> (edge), 1.0f / 1.9e19f);
    EXPECT_FLOAT_EQ (QmVectorMath::lane<3> (edge), 1.0f / 3e38f);
}

TEST (VectorMath, TanMatchesTheLibraryBelowAQuarterTurn)
{
    auto reference = [] (double x) { return std::tan (x); };
    EXPECT_LT (worstError (QmVectorMath::tan4, reference, 1e-6, 1.5, 3.1e-6), 5e-7);
    EXPECT_LT (worstError (QmVectorMath::tan4, reference, -1.5, -1e-6, 3.1e-6), 5e-7);
    EXPECT_EQ (QmVectorMath::lane<0> (QmVectorMath::tan4 (_mm_set1_ps (0.0f))), 0.0f);
}
