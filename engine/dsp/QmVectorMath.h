#pragma once

#include "QmSimd.h"

/** Four-wide float helpers for the filter kernels (SSE2, the x86-64 baseline).
    Each stays within a few units in the last place of the libm result. */
namespace QmVectorMath
{
    /** tanh (v) / v, with 1 at v = 0: the gain factor of a tanh stage.
        A rational function of v^2 up to 7.9053 (beyond it tanh is 1 in float,
        and the factor 1 / |v|); relative error below 4e-7. The polynomials run
        in Estrin form straight from v^2, which keeps the dependency chain
        short; the saturated lanes (and overflowed squares) are replaced
        before the one division. Both constant terms are equal, so the factor
        is exactly 1 at 0. */
    inline __m128 tanhRatio4 (__m128 v) noexcept
    {
        const __m128 z = _mm_mul_ps (v, v);
        const __m128 z2 = _mm_mul_ps (z, z);
        const __m128 z4 = _mm_mul_ps (z2, z2);

        auto line = [] (float c0, float c1, __m128 x)
        {
            return _mm_add_ps (_mm_set1_ps (c0), _mm_mul_ps (_mm_set1_ps (c1), x));
        };

        const __m128 p01 = line (4.89352518554385e-03f, 6.37261928875436e-04f, z);
        const __m128 p23 = line (1.48572235717979e-05f, 5.12229709037114e-08f, z);
        const __m128 p45 = line (-8.60467152213735e-11f, 2.00018790482477e-13f, z);
        const __m128 p46 = _mm_add_ps (p45, _mm_mul_ps (_mm_set1_ps (-2.76076847742355e-16f), z2));
        const __m128 num = _mm_add_ps (_mm_add_ps (p01, _mm_mul_ps (p23, z2)), _mm_mul_ps (p46, z4));

        const __m128 q01 = line (4.89352518554385e-03f, 2.26843463243900e-03f, z);
        const __m128 q23 = line (1.18534705686654e-04f, 1.19825839466702e-06f, z);
        const __m128 den = _mm_add_ps (q01, _mm_mul_ps (q23, z2));

        // The square of 7.90531110763549805 in float; an overflowed square is above it too.
        const __m128 saturated = _mm_cmpge_ps (z, _mm_set1_ps (62.4939422607421875f));
        return _mm_div_ps (QmSimd::select (saturated, _mm_set1_ps (1.0f), num),
                           QmSimd::select (saturated, QmSimd::abs (v), den));
    }

    /** tan (x) for |x| below pi / 2. */
    inline __m128 tan4 (__m128 x) noexcept
    {
        const __m128 signMask = _mm_castsi128_ps (_mm_set1_epi32 ((int) 0x80000000));
        const __m128 sign = _mm_and_ps (x, signMask);
        const __m128 a = _mm_andnot_ps (signMask, x);

        // Octant j (made even): 0 below pi / 4, 2 above, where tan = -1 / tan (a - pi / 2).
        __m128i j = _mm_cvttps_epi32 (_mm_mul_ps (a, _mm_set1_ps (1.27323954473516f)));
        j = _mm_and_si128 (_mm_add_epi32 (j, _mm_set1_epi32 (1)), _mm_set1_epi32 (~1));
        const __m128 y = _mm_cvtepi32_ps (j);

        __m128 z = _mm_sub_ps (a, _mm_mul_ps (y, _mm_set1_ps (0.78515625f)));
        z = _mm_sub_ps (z, _mm_mul_ps (y, _mm_set1_ps (2.4187564849853515625e-4f)));
        z = _mm_sub_ps (z, _mm_mul_ps (y, _mm_set1_ps (3.77489497744594108e-8f)));

        const __m128 zz = _mm_mul_ps (z, z);
        __m128 p = _mm_set1_ps (9.38540185543e-3f);
        p = _mm_add_ps (_mm_mul_ps (p, zz), _mm_set1_ps (3.11992232697e-3f));
        p = _mm_add_ps (_mm_mul_ps (p, zz), _mm_set1_ps (2.44301354525e-2f));
        p = _mm_add_ps (_mm_mul_ps (p, zz), _mm_set1_ps (5.34112807005e-2f));
        p = _mm_add_ps (_mm_mul_ps (p, zz), _mm_set1_ps (1.33387994085e-1f));
        p = _mm_add_ps (_mm_mul_ps (p, zz), _mm_set1_ps (3.33331568548e-1f));
        const __m128 t = _mm_add_ps (_mm_mul_ps (_mm_mul_ps (p, zz), z), z);

        const __m128 upper = _mm_castsi128_ps (_mm_cmpeq_epi32 (_mm_and_si128 (j, _mm_set1_epi32 (2)), _mm_set1_epi32 (2)));
        const __m128 r = QmSimd::select (upper, _mm_div_ps (_mm_set1_ps (-1.0f), t), t);
        return _mm_xor_ps (r, sign);
    }
}
