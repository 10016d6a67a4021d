#pragma once

/** The engine's one entry point for SIMD: SSE2's four-lane float vectors
    (the x86-64 baseline) and the lane moves the kernels share. Every file
    that uses vectors includes this header, never an intrinsics header of
    its own.

    QM_SIMD is 1 where SSE2 is available. The FIR interpolator keeps a scalar
    form beside each vector loop and builds without it; the other kernels
    need SSE2, and their plain formulas (the reference steps the tests
    compare them with) are what a port would start from.
*/
#if defined (__SSE2__) || defined (_M_X64) || (defined (_M_IX86_FP) && _M_IX86_FP >= 2)
 #define QM_SIMD 1
 #include <emmintrin.h>
#else
 #define QM_SIMD 0
#endif

#if QM_SIMD

#include <algorithm>

// The helpers are single instructions or two; forced inline so that they
// never change the compiler's inlining of the kernels that use them.
#if defined (__GNUC__)
 #define QM_SIMD_INLINE inline __attribute__ ((always_inline))
#else
 #define QM_SIMD_INLINE inline
#endif

namespace QmSimd
{
    /** Lane i as a scalar. */
    template <int i>
    QM_SIMD_INLINE float lane (__m128 v) noexcept
    {
        return _mm_cvtss_f32 (_mm_shuffle_ps (v, v, _MM_SHUFFLE (i, i, i, i)));
    }

    /** Lane i in all four lanes. */
    template <int i>
    QM_SIMD_INLINE __m128 splat (__m128 v) noexcept
    {
        return _mm_shuffle_ps (v, v, _MM_SHUFFLE (i, i, i, i));
    }

    /** The lanes of v reordered, named from the top lane down as in _MM_SHUFFLE. */
    template <int l3, int l2, int l1, int l0>
    QM_SIMD_INLINE __m128 shuffle (__m128 v) noexcept
    {
        return _mm_shuffle_ps (v, v, _MM_SHUFFLE (l3, l2, l1, l0));
    }

    /** Each lane moved up by `lanes` places, zeros shifted in at lane 0:
        shiftUp<1> of (v0, v1, v2, v3) is (0, v0, v1, v2). */
    template <int lanes>
    QM_SIMD_INLINE __m128 shiftUp (__m128 v) noexcept
    {
        return _mm_castsi128_ps (_mm_slli_si128 (_mm_castps_si128 (v), 4 * lanes));
    }

    /** a where the mask's lane is set, b elsewhere. */
    QM_SIMD_INLINE __m128 select (__m128 mask, __m128 a, __m128 b) noexcept
    {
        return _mm_or_ps (_mm_and_ps (mask, a), _mm_andnot_ps (mask, b));
    }

    /** |v|, lane by lane (clears the sign bits). */
    QM_SIMD_INLINE __m128 abs (__m128 v) noexcept
    {
        return _mm_andnot_ps (_mm_set1_ps (-0.0f), v);
    }

    /** True when every lane of a comparison's mask is set. */
    QM_SIMD_INLINE bool all (__m128 mask) noexcept
    {
        return _mm_movemask_ps (mask) == 15;
    }

    /** The first n (at most four) floats from p, zeros above; reads nothing past them. */
    QM_SIMD_INLINE __m128 loadTail (const float* p, int n) noexcept
    {
        alignas (16) float v[4] = {};
        std::copy (p, p + std::min (n, 4), v);
        return _mm_load_ps (v);
    }

    /** Writes the first n (at most four) lanes of v to p, nothing past them. */
    QM_SIMD_INLINE void storeTail (float* p, __m128 v, int n) noexcept
    {
        alignas (16) float lanes[4];
        _mm_store_ps (lanes, v);
        std::copy (lanes, lanes + std::min (n, 4), p);
    }
}

#endif
