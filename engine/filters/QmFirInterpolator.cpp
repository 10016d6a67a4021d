#include "QmFirInterpolator.h"
#include "QmSimd.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace
{
    constexpr int historyLength = 1000;
    constexpr int windowLength = 16;

    // Phase 0 falls on the input samples: its taps are the sinc's zeros
    // (below 4e-17 as computed) except the peak at window position 8, so its
    // output is that input times the peak. Summing the others could move it
    // by no more than 1e-15 of the signal's level.
    constexpr int centre = 8;

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

   #if QM_SIMD
    __m128 acc = _mm_mul_ps (_mm_set1_ps (w[0]), _mm_load_ps (taps));

    for (int j = 1; j < windowLength; ++j)
        acc = _mm_add_ps (acc, _mm_mul_ps (_mm_set1_ps (w[j]), _mm_load_ps (taps + 4 * j)));

    // Phase 0 from its one nonzero tap, as interpolate does.
    _mm_storeu_ps (out, _mm_move_ss (acc, _mm_set_ss (w[centre] * taps[4 * centre])));
   #else
    out[0] = w[centre] * taps[4 * centre];

    for (int p = 1; p < factor; ++p)
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

       #if QM_SIMD
        // Four inputs at once, one vector per phase, then a transpose to the
        // output order.
        for (; i + 4 <= run; i += 4)
        {
            __m128 x = _mm_loadu_ps (w + i);
            __m128 a0 = _mm_mul_ps (_mm_loadu_ps (w + i + centre), _mm_load_ps (tapSplats + 16 * centre));
            __m128 a1 = _mm_mul_ps (x, _mm_load_ps (tapSplats + 4));
            __m128 a2 = _mm_mul_ps (x, _mm_load_ps (tapSplats + 8));
            __m128 a3 = _mm_mul_ps (x, _mm_load_ps (tapSplats + 12));

            for (int j = 1; j < windowLength; ++j)
            {
                x = _mm_loadu_ps (w + i + j);
                const float* hs = tapSplats + 16 * j;
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
            out[4 * i] = w[i + centre] * taps[4 * centre];

            for (int p = 1; p < factor; ++p)
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
    // out[j] = sum over m of z[4j + m] h[m], taken phase by phase: with
    // m = 4k + r and P_r[t] = z[4t + r], out[j] = sum over r and k of
    // P_r[j + k] h[4k + r]. Phase 0 keeps only its peak tap (see centre), so
    // 49 of the 64 products remain, and with the phases laid out apart four
    // neighbouring outputs fill one vector.
    const float* z = decimationHistory;
    const int available = numTaps + factor * n;   // samples of z that hold data
    constexpr int chunk = 128;
    alignas (16) float phases[factor][chunk + 16];

    for (int first = 0; first < n; first += chunk)
    {
        const int m = std::min (chunk, n - first);
        const float* zc = z + factor * first;

        // P_r[t] for t = 0 .. m + 14: a 4x4 transpose per four t, one at a
        // time for a last block that would read past the data.
        int t = 0;

       #if QM_SIMD
        for (; t < m + 15 && factor * (first + t) + 16 <= available; t += 4)
        {
            __m128 r0 = _mm_load_ps (zc + 4 * t), r1 = _mm_load_ps (zc + 4 * t + 4);
            __m128 r2 = _mm_load_ps (zc + 4 * t + 8), r3 = _mm_load_ps (zc + 4 * t + 12);
            _MM_TRANSPOSE4_PS (r0, r1, r2, r3);
            _mm_store_ps (phases[0] + t, r0);
            _mm_store_ps (phases[1] + t, r1);
            _mm_store_ps (phases[2] + t, r2);
            _mm_store_ps (phases[3] + t, r3);
        }
       #endif

        for (; t < m + 15; ++t)
            for (int r = 0; r < factor; ++r)
                phases[r][t] = zc[4 * t + r];

        int j = 0;

       #if QM_SIMD
        for (; j + 4 <= m; j += 4)
        {
            __m128 acc[factor];
            acc[0] = _mm_mul_ps (_mm_loadu_ps (phases[0] + j + centre), _mm_load_ps (tapSplats + 16 * centre));

            for (int r = 1; r < factor; ++r)
            {
                acc[r] = _mm_mul_ps (_mm_loadu_ps (phases[r] + j), _mm_load_ps (tapSplats + 4 * r));

                for (int k = 1; k < windowLength; ++k)
                    acc[r] = _mm_add_ps (acc[r], _mm_mul_ps (_mm_loadu_ps (phases[r] + j + k),
                                                             _mm_load_ps (tapSplats + 16 * k + 4 * r)));
            }

            _mm_storeu_ps (out + first + j, _mm_add_ps (_mm_add_ps (acc[1], acc[3]), _mm_add_ps (acc[2], acc[0])));
        }
       #endif

        // The rest one at a time, in the same order.
        for (; j < m; ++j)
        {
            float acc[factor];
            acc[0] = phases[0][j + centre] * taps[4 * centre];

            for (int r = 1; r < factor; ++r)
            {
                acc[r] = phases[r][j] * taps[r];

                for (int k = 1; k < windowLength; ++k)
                    acc[r] += phases[r][j + k] * taps[4 * k + r];
            }

            out[first + j] = (acc[1] + acc[3]) + (acc[2] + acc[0]);
        }
    }

    // The last 64 samples of history plus block become the next history; for
    // blocks under 16 samples they span both, which memmove handles.
    std::memmove (decimationHistory, decimationHistory + factor * n, numTaps * sizeof (float));
}
