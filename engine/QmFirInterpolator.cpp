#include "QmFirInterpolator.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#if defined (__SSE2__)
 #include <emmintrin.h>
 #include <xmmintrin.h>
#endif

namespace
{
    constexpr int historyLength = 1000;
    constexpr int windowLength = 16;

    // Blackman window times a sinc with its zeros at whole input samples.
    void buildTaps (float* window, float* taps)
    {
        const double pi = 3.141592653589793;

        for (int n = 0; n < QmFirInterpolator::numTaps; ++n)
        {
            const double a = (float) (n * 2.0 * pi / 63.0);
            window[n] = (float) (0.08 * std::cos (2.0 * a) + (0.42 - 0.5 * std::cos (a)));
        }

        for (int m = 0; m < QmFirInterpolator::numTaps; ++m)
        {
            const double t = (m - 32) * 0.25;
            taps[m] = m == 32 ? window[m] : (float) (window[m] * std::sin (pi * t) / (pi * t));
        }
    }

    struct SharedTaps
    {
        SharedTaps() { float window[QmFirInterpolator::numTaps]; buildTaps (window, taps); }

        alignas (16) float taps[QmFirInterpolator::numTaps];
    };
}

QmFirInterpolator::QmFirInterpolator()
{
    buildTaps (window, taps);

    for (int m = 0; m < numTaps; ++m)
        for (int lane = 0; lane < 4; ++lane)
            tapSplats[4 * m + lane] = taps[m];

    getSharedTaps();
    reset();
}

const float* QmFirInterpolator::getSharedTaps() noexcept
{
    // Built once, before first use: an engine constructed on one thread never
    // rewrites the table that another engine's audio thread is reading.
    static const SharedTaps shared;
    return shared.taps;
}

void QmFirInterpolator::reset() noexcept
{
    std::memset (history, 0, sizeof (history));
    std::memset (decimationHistory, 0, sizeof (decimationHistory));
    index = 16;
}

bool QmFirInterpolator::isFinite() const noexcept
{
    float sum = 0.0f;

    for (int j = 0; j < windowLength; ++j)
        sum += history[index - j] * 0.0f;

    for (int m = 0; m < numTaps; ++m)
        sum += decimationHistory[m] * 0.0f;

    // Only NaN and infinities survive the multiplication by zero.
    return sum == 0.0f;
}

void QmFirInterpolator::push (float x, float* out) noexcept
{
    // A linear buffer moved back once every 984 samples: no modulo per sample.
    if (++index == historyLength)
    {
        std::memcpy (history, history + historyLength - windowLength, windowLength * sizeof (float));
        index = windowLength;
    }

    history[index] = x;
    const float* w = history + index - (windowLength - 1);

   #if defined (__SSE2__)
    __m128 acc = _mm_mul_ps (_mm_set1_ps (w[0]), _mm_load_ps (taps));

    for (int j = 1; j < windowLength; ++j)
        acc = _mm_add_ps (acc, _mm_mul_ps (_mm_set1_ps (w[j]), _mm_load_ps (taps + 4 * j)));

    _mm_storeu_ps (out, acc);
   #else
    for (int p = 0; p < factor; ++p)
    {
        float acc = 0.0f;

        for (int j = 0; j < windowLength; ++j)
            acc += w[j] * taps[4 * j + p];

        out[p] = acc;
    }
   #endif
}

void QmFirInterpolator::interpolate (const float* in, float* out, int n) noexcept
{
    // push for each sample, a run of inputs at a time: each output sums its
    // sixteen products in the same order as push, so the results are the same.
    while (n > 0)
    {
        // The move push makes when its index reaches the end.
        if (index == historyLength - 1)
        {
            std::memcpy (history, history + historyLength - windowLength, windowLength * sizeof (float));
            index = windowLength - 1;
        }

        const int run = std::min (n, historyLength - 1 - index);
        std::memcpy (history + index + 1, in, (size_t) run * sizeof (float));
        const float* w = history + index + 1 - (windowLength - 1);
        int i = 0;

       #if defined (__SSE2__)
        // Four inputs at once, one vector per phase, then a transpose to the
        // output order.
        for (; i + 4 <= run; i += 4)
        {
            __m128 x = _mm_loadu_ps (w + i);
            __m128 a0 = _mm_mul_ps (x, _mm_load_ps (tapSplats));
            __m128 a1 = _mm_mul_ps (x, _mm_load_ps (tapSplats + 4));
            __m128 a2 = _mm_mul_ps (x, _mm_load_ps (tapSplats + 8));
            __m128 a3 = _mm_mul_ps (x, _mm_load_ps (tapSplats + 12));

            for (int j = 1; j < windowLength; ++j)
            {
                x = _mm_loadu_ps (w + i + j);
                const float* hs = tapSplats + 16 * j;
                a0 = _mm_add_ps (a0, _mm_mul_ps (x, _mm_load_ps (hs)));
                a1 = _mm_add_ps (a1, _mm_mul_ps (x, _mm_load_ps (hs + 4)));
                a2 = _mm_add_ps (a2, _mm_mul_ps (x, _mm_load_ps (hs + 8)));
                a3 = _mm_add_ps (a3, _mm_mul_ps (x, _mm_load_ps (hs + 12)));
            }

            _MM_TRANSPOSE4_PS (a0, a1, a2, a3);
            _mm_storeu_ps (out + 4 * i, a0);
            _mm_storeu_ps (out + 4 * i + 4, a1);
            _mm_storeu_ps (out + 4 * i + 8, a2);
            _mm_storeu_ps (out + 4 * i + 12, a3);
        }
       #endif

        for (; i < run; ++i)
        {
            for (int p = 0; p < factor; ++p)
            {
                float acc = w[i] * taps[p];

                for (int j = 1; j < windowLength; ++j)
                    acc += w[i + j] * taps[4 * j + p];

                out[4 * i + p] = acc;
            }
        }

        index += run;
        in += run;
        out += factor * run;
        n -= run;
    }
}

void QmFirInterpolator::decimate (float* out, int n) noexcept
{
    const float* h = getSharedTaps();
    const float* z = decimationHistory;

    for (int j = 0; j < n; ++j, z += factor)
    {
       #if defined (__SSE2__)
        __m128 acc0 = _mm_mul_ps (_mm_load_ps (z), _mm_load_ps (h));
        __m128 acc1 = _mm_mul_ps (_mm_load_ps (z + 4), _mm_load_ps (h + 4));

        for (int m = 8; m < numTaps; m += 8)
        {
            acc0 = _mm_add_ps (acc0, _mm_mul_ps (_mm_load_ps (z + m), _mm_load_ps (h + m)));
            acc1 = _mm_add_ps (acc1, _mm_mul_ps (_mm_load_ps (z + m + 4), _mm_load_ps (h + m + 4)));
        }

        acc0 = _mm_add_ps (acc0, acc1);
        acc0 = _mm_add_ps (acc0, _mm_movehl_ps (acc0, acc0));
        acc0 = _mm_add_ss (acc0, _mm_shuffle_ps (acc0, acc0, 1));
        out[j] = _mm_cvtss_f32 (acc0);
       #else
        float acc = 0.0f;

        for (int m = 0; m < numTaps; ++m)
            acc += z[m] * h[m];

        out[j] = acc;
       #endif
    }

    // The last 64 samples of history plus block become the next history; for
    // blocks under 16 samples they span both, which memmove handles.
    std::memmove (decimationHistory, decimationHistory + factor * n, numTaps * sizeof (float));
}
