#pragma once

#include <emmintrin.h>

#include <cmath>
#include <cstdint>
#include <cstring>

/** Inline exponentials and sine for per-sample loops. They work in double
    precision with a relative error below 6e-11, so rounded to float they
    almost always give the correctly rounded result and never differ from
    libm's float functions by more than one ulp. The four-wide forms (SSE2,
    the x86-64 baseline) run the same arithmetic on two pairs of doubles and
    give exactly the results of the scalar forms. */
namespace QmFastMath
{
    namespace Detail
    {
        // 2^f on -0.5..0.5 (near-minimax, relative error 5.5e-11), highest power first.
        constexpr double exp2Poly[] = { 1.5303700711365693e-05, 0.00015469729214118296, 0.0013333478473685416,
                                        0.009618025613318034, 0.055504109063258665, 0.24022651213498092,
                                        0.6931471805568324, 0.9999999999595618 };

        // sin (r) / r in powers of r^2 on -pi/2..pi/2 (relative error 1.1e-12).
        constexpr double sinPoly[] = { 1.557099866830147e-10, -2.5040741988983833e-08, 2.7557203411643173e-06,
                                       -0.0001984126934909505, 0.008333333332648277, -0.16666666666665014, 1.0 };

        // Adding then subtracting 1.5 * 2^52 rounds |x| < 2^51 to the nearest
        // integer, which also sits in the low bits of the sum.
        constexpr double shifter = 6755399441055744.0;

        // pi in two parts; the first has 33 significant bits, so k times it is exact.
        constexpr double piHigh = 3.14159265346825122833;
        constexpr double piLow = 1.21542010130123844986e-10;

        constexpr double log2e = 1.4426950408889634;

        template <size_t n>
        inline double poly (double x, const double (&c)[n]) noexcept
        {
            double p = c[0];
            for (size_t i = 1; i < n; ++i)
                p = p * x + c[i];
            return p;
        }

        template <size_t n>
        inline __m128d poly (__m128d x, const double (&c)[n]) noexcept
        {
            __m128d p = _mm_set1_pd (c[0]);
            for (size_t i = 1; i < n; ++i)
                p = _mm_add_pd (_mm_mul_pd (p, x), _mm_set1_pd (c[i]));
            return p;
        }
    }

    //==============================================================================
    /** 2^x. |x| is limited to 200, which still overflows or underflows a
        float; NaN stays NaN. */
    inline double exp2 (double x) noexcept
    {
        using namespace Detail;
        x = x < -200.0 ? -200.0 : x;
        x = x > 200.0 ? 200.0 : x;

        const double shifted = x + shifter;
        const double k = shifted - shifter;

        // 2^k built in the exponent field; k + 1023 lies in 823 .. 1223.
        uint64_t bits;
        std::memcpy (&bits, &shifted, sizeof (bits));
        const uint64_t scaleBits = (bits + 1023u) << 52;
        double scale;
        std::memcpy (&scale, &scaleBits, sizeof (scale));

        return poly (x - k, exp2Poly) * scale;
    }

    /** powf (2, x). */
    inline float exp2f (float x) noexcept    { return (float) exp2 ((double) x); }

    /** expf (x). */
    inline float expf (float x) noexcept     { return (float) exp2 ((double) x * Detail::log2e); }

    /** sinf (x); exact reduction for |x| up to 1e5, libm's sinf beyond. */
    inline float sinf (float x) noexcept
    {
        using namespace Detail;
        const double xd = x;

        if (! (std::fabs (xd) <= 1.0e5))
            return std::sin (x);

        // sin (x) = (-1)^k sin (x - k pi).
        const double shifted = xd * (1.0 / piHigh) + shifter;
        const double k = shifted - shifter;
        const double r = (xd - k * piHigh) - k * piLow;
        const double s = r * poly (r * r, sinPoly);

        uint64_t bits;
        std::memcpy (&bits, &shifted, sizeof (bits));
        return (float) ((bits & 1u) != 0 ? -s : s);
    }

    //==============================================================================
    namespace Detail
    {
        inline __m128d exp2x2 (__m128d x) noexcept
        {
            // max and min pass a NaN in their second operand through.
            x = _mm_max_pd (_mm_set1_pd (-200.0), x);
            x = _mm_min_pd (_mm_set1_pd (200.0), x);

            const __m128d shifted = _mm_add_pd (x, _mm_set1_pd (shifter));
            const __m128d k = _mm_sub_pd (shifted, _mm_set1_pd (shifter));
            const __m128i scale = _mm_slli_epi64 (_mm_add_epi64 (_mm_castpd_si128 (shifted), _mm_set1_epi64x (1023)), 52);
            return _mm_mul_pd (poly (_mm_sub_pd (x, k), exp2Poly), _mm_castsi128_pd (scale));
        }

        inline __m128d sinx2 (__m128d x) noexcept
        {
            const __m128d shifted = _mm_add_pd (_mm_mul_pd (x, _mm_set1_pd (1.0 / piHigh)), _mm_set1_pd (shifter));
            const __m128d k = _mm_sub_pd (shifted, _mm_set1_pd (shifter));
            const __m128d r = _mm_sub_pd (_mm_sub_pd (x, _mm_mul_pd (k, _mm_set1_pd (piHigh))),
                                          _mm_mul_pd (k, _mm_set1_pd (piLow)));
            const __m128d s = _mm_mul_pd (r, poly (_mm_mul_pd (r, r), sinPoly));

            // The parity of k moved into the sign bit.
            const __m128i sign = _mm_slli_epi64 (_mm_castpd_si128 (shifted), 63);
            return _mm_xor_pd (s, _mm_castsi128_pd (sign));
        }

        template <typename Pair>
        inline __m128 onPairs (__m128 x, Pair pair) noexcept
        {
            const __m128 low = _mm_cvtpd_ps (pair (_mm_cvtps_pd (x)));
            const __m128 high = _mm_cvtpd_ps (pair (_mm_cvtps_pd (_mm_movehl_ps (x, x))));
            return _mm_movelh_ps (low, high);
        }
    }

    /** exp2f of four floats. */
    inline __m128 exp2f4 (__m128 x) noexcept
    {
        return Detail::onPairs (x, [] (__m128d d) { return Detail::exp2x2 (d); });
    }

    /** expf of four floats. */
    inline __m128 expf4 (__m128 x) noexcept
    {
        return Detail::onPairs (x, [] (__m128d d) { return Detail::exp2x2 (_mm_mul_pd (d, _mm_set1_pd (Detail::log2e))); });
    }

    /** sinf of four floats. */
    inline __m128 sinf4 (__m128 x) noexcept
    {
        const __m128 magnitude = _mm_andnot_ps (_mm_set1_ps (-0.0f), x);

        // Out of range or NaN: lane by lane.
        if (_mm_movemask_ps (_mm_cmple_ps (magnitude, _mm_set1_ps (1.0e5f))) != 15)
        {
            alignas (16) float v[4];
            _mm_store_ps (v, x);
            for (auto& e : v)
                e = sinf (e);
            return _mm_load_ps (v);
        }

        return Detail::onPairs (x, [] (__m128d d) { return Detail::sinx2 (d); });
    }

    //==============================================================================
    /** out[i] = f (in[i]) for the functions above (in and out may be the same). */
    inline void exp2fBlock (const float* in, float* out, int n) noexcept
    {
        int i = 0;
        for (; i + 4 <= n; i += 4)
            _mm_storeu_ps (out + i, exp2f4 (_mm_loadu_ps (in + i)));
        for (; i < n; ++i)
            out[i] = exp2f (in[i]);
    }

    inline void expfBlock (const float* in, float* out, int n) noexcept
    {
        int i = 0;
        for (; i + 4 <= n; i += 4)
            _mm_storeu_ps (out + i, expf4 (_mm_loadu_ps (in + i)));
        for (; i < n; ++i)
            out[i] = expf (in[i]);
    }

    inline void sinfBlock (const float* in, float* out, int n) noexcept
    {
        int i = 0;
        for (; i + 4 <= n; i += 4)
            _mm_storeu_ps (out + i, sinf4 (_mm_loadu_ps (in + i)));
        for (; i < n; ++i)
            out[i] = sinf (in[i]);
    }
}
