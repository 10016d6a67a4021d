#pragma once

#include "QmSimd.h"

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
        constexpr double sinPoly[] = { 0.0, 1.557099866830147e-10, -2.5040741988983833e-08, 2.7557203411643173e-06,
                                       -0.0001984126934909505, 0.008333333332648277, -0.16666666666665014, 1.0 };

        // Adding then subtracting 1.5 * 2^52 rounds |x| < 2^51 to the nearest
        // integer, which also sits in the low bits of the sum.
        constexpr double shifter = 6755399441055744.0;

        // pi in two parts; the first has 33 significant bits, so k times it is exact.
        constexpr double piHigh = 3.14159265346825122833;
        constexpr double piLow = 1.21542010130123844986e-10;

        constexpr double log2e = 1.4426950408889634;

        // Both polynomials in Estrin's form (pairs, then pairs of pairs), whose
        // short dependency chains let neighbouring samples overlap; the
        // scalar and the two-wide form run the same operations.
        inline double poly (double x, const double (&c)[8]) noexcept
        {
            const double x2 = x * x;
            const double low = (c[7] + c[6] * x) + x2 * (c[5] + c[4] * x);
            const double high = (c[3] + c[2] * x) + x2 * (c[1] + c[0] * x);
            return low + (x2 * x2) * high;
        }

        inline __m128d poly (__m128d x, const double (&c)[8]) noexcept
        {
            auto line = [x] (double c0, double c1) { return _mm_add_pd (_mm_set1_pd (c0), _mm_mul_pd (_mm_set1_pd (c1), x)); };
            const __m128d x2 = _mm_mul_pd (x, x);
            const __m128d low = _mm_add_pd (line (c[7], c[6]), _mm_mul_pd (x2, line (c[5], c[4])));
            const __m128d high = _mm_add_pd (line (c[3], c[2]), _mm_mul_pd (x2, line (c[1], c[0])));
            return _mm_add_pd (low, _mm_mul_pd (_mm_mul_pd (x2, x2), high));
        }
    }

    //==============================================================================
    /** 2^x. |x| is limited to 200, which still overflows or underflows a
        float; NaN stays NaN. */
    inline double exp2Double (double x) noexcept
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
    inline float exp2Float (float x) noexcept    { return (float) exp2Double ((double) x); }

    /** expf (x). */
    inline float expFloat (float x) noexcept     { return (float) exp2Double ((double) x * Detail::log2e); }

    /** sinf (x); exact reduction for |x| up to 1e5, libm's sinf beyond. */
    inline float sinFloat (float x) noexcept
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
    inline __m128 exp2Float4 (__m128 x) noexcept
    {
        return Detail::onPairs (x, [] (__m128d d) { return Detail::exp2x2 (d); });
    }

    /** expf of four floats. */
    inline __m128 expFloat4 (__m128 x) noexcept
    {
        return Detail::onPairs (x, [] (__m128d d) { return Detail::exp2x2 (_mm_mul_pd (d, _mm_set1_pd (Detail::log2e))); });
    }

    /** sinf of four floats. */
    inline __m128 sinFloat4 (__m128 x) noexcept
    {
        // Out of range or NaN: lane by lane.
        if (! QmSimd::all (_mm_cmple_ps (QmSimd::abs (x), _mm_set1_ps (1.0e5f))))
        {
            alignas (16) float v[4];
            _mm_store_ps (v, x);
            for (auto& e : v)
                e = sinFloat (e);
            return _mm_load_ps (v);
        }

        return Detail::onPairs (x, [] (__m128d d) { return Detail::sinx2 (d); });
    }

    //==============================================================================
    namespace Detail
    {
        // 2^f = 1 + f P (f) on -0.5..0.5 (relative error 5e-9), lowest power first.
        constexpr double exp2SinglePoly[] = { 0.693147188026228781, 0.240226507605681270, 0.0555035711421907767,
                                              0.00961808255727784589, 0.00133908633646712772, 0.000154531629451220776 };
    }

    /** scale * 2^x of four floats, all in single precision: cheaper than
        exp2Float4 and within an ulp of powf (2, x) for scale 1. The scale
        (a constant between 1/256 and 256, folded into the polynomial at
        compile time) is carried by the polynomial, so the result is rounded
        once: within two ulps of powf (2, x) * scale rounded from double.
        Overflow gives inf, underflow 0 (or a denormal), NaN stays NaN. */
    inline __m128 exp2Float4Single (__m128 x, double scale = 1.0) noexcept
    {
        const auto& c = Detail::exp2SinglePoly;

        // max and min pass a NaN in their second operand through.
        x = _mm_max_ps (_mm_set1_ps (-160.0f), x);
        x = _mm_min_ps (_mm_set1_ps (160.0f), x);

        // Adding then subtracting 1.5 * 2^23 rounds x to the nearest integer k.
        const __m128 shifter = _mm_set1_ps (12582912.0f);
        const __m128 k = _mm_sub_ps (_mm_add_ps (x, shifter), shifter);
        const __m128 f = _mm_sub_ps (x, k);

        // scale * 2^f, the scale split into its float and the remainder:
        // the remainder joins the small terms, the float part comes last.
        auto coeff = [scale] (double v) { return _mm_set1_ps ((float) (v * scale)); };
        const float high = (float) scale;
        const float low = (float) (scale - (double) high);

        __m128 p = coeff (c[5]);
        p = _mm_add_ps (_mm_mul_ps (p, f), coeff (c[4]));
        p = _mm_add_ps (_mm_mul_ps (p, f), coeff (c[3]));
        p = _mm_add_ps (_mm_mul_ps (p, f), coeff (c[2]));
        p = _mm_add_ps (_mm_mul_ps (p, f), coeff (c[1]));
        p = _mm_add_ps (_mm_mul_ps (p, f), coeff (c[0]));
        p = _mm_add_ps (_mm_mul_ps (p, f), _mm_set1_ps (low));
        p = _mm_add_ps (p, _mm_set1_ps (high));

        // 2^k (|k| <= 160) as two normal factors; the first product is exact,
        // so only the last one rounds, overflows or underflows.
        const __m128i ki = _mm_cvtps_epi32 (k);
        const __m128i k1 = _mm_srai_epi32 (ki, 1);
        const __m128i k2 = _mm_sub_epi32 (ki, k1);
        const __m128i bias = _mm_set1_epi32 (127);
        const __m128 s1 = _mm_castsi128_ps (_mm_slli_epi32 (_mm_add_epi32 (k1, bias), 23));
        const __m128 s2 = _mm_castsi128_ps (_mm_slli_epi32 (_mm_add_epi32 (k2, bias), 23));
        return _mm_mul_ps (_mm_mul_ps (p, s1), s2);
    }

    //==============================================================================
    /** out[i] = f (in[i]) for the functions above (in and out may be the same). */
    inline void exp2Block (const float* in, float* out, int n) noexcept
    {
        int i = 0;
        for (; i + 4 <= n; i += 4)
            _mm_storeu_ps (out + i, exp2Float4 (_mm_loadu_ps (in + i)));
        for (; i < n; ++i)
            out[i] = exp2Float (in[i]);
    }

    inline void expBlock (const float* in, float* out, int n) noexcept
    {
        int i = 0;
        for (; i + 4 <= n; i += 4)
            _mm_storeu_ps (out + i, expFloat4 (_mm_loadu_ps (in + i)));
        for (; i < n; ++i)
            out[i] = expFloat (in[i]);
    }

    inline void sinBlock (const float* in, float* out, int n) noexcept
    {
        int i = 0;
        for (; i + 4 <= n; i += 4)
            _mm_storeu_ps (out + i, sinFloat4 (_mm_loadu_ps (in + i)));
        for (; i < n; ++i)
            out[i] = sinFloat (in[i]);
    }

    //==============================================================================
    /** How many of the n samples from x on have exactly the bits of value:
        the run over which a settled recurrence repeats its last output. */
    inline int countRepeats (const float* x, int n, float value) noexcept
    {
        uint32_t bits;
        std::memcpy (&bits, &value, sizeof (bits));

        // Four at a time while all four match.
        const __m128i wanted = _mm_set1_epi32 ((int) bits);
        int i = 0;
        for (; i + 4 <= n; i += 4)
        {
            const __m128i four = _mm_loadu_si128 (reinterpret_cast<const __m128i*> (x + i));
            if (_mm_movemask_epi8 (_mm_cmpeq_epi32 (four, wanted)) != 0xffff)
                break;
        }

        for (; i < n; ++i)
        {
            uint32_t b;
            std::memcpy (&b, x + i, sizeof (b));
            if (b != bits)
                break;
        }

        return i;
    }
}
