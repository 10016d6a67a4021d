#include "QmOscillatorCore.h"
#include "QmProcessContext.h"
#include "QmSimd.h"

#include <algorithm>
#include <cmath>

QmOscillatorCore::QmOscillatorCore (QmProcessContext* ctx)
    : context (ctx)
{
    init();
}

void QmOscillatorCore::init()
{
    smoother.setFrequencyAtRate (150.0f, context->sampleRate, false);
    plan.valid = false;
}

void QmOscillatorCore::reset() noexcept
{
    corrector.reset();
    smoother.clear();
}

float QmOscillatorCore::render (float p, float d, float w, float s)
{
    float out;
    renderBlock (&p, &d, w, &s, &out, 1);
    return out;
}

void QmOscillatorCore::renderBlock (const float* p, const float* d, const float* w,
                                    const float* s, float* out, int n)
{
    // runs of equal shape at a time
    for (int i = 0; i < n;)
    {
        int end = i + 1;
        while (end < n && w[end] == w[i])
            ++end;

        renderBlock (p + i, d + i, w[i], s != nullptr ? s + i : nullptr, out + i, end - i);
        i = end;
    }
}

void QmOscillatorCore::renderBlock (const float* p, const float* d, float w,
                                    const float* s, float* out, int n)
{
    if (n <= 0)
        return;

    if (! (plan.valid && w == plan.shape && smoothing == plan.smoothing))
        makePlan (w);

    if (s != nullptr)
        renderPlan<true> (p, d, s, out, n);
    else
        renderPlan<false> (p, d, s, out, n);
}

template <bool synced>
void QmOscillatorCore::renderPlan (const float* p, const float* d,
                                   const float* s, float* out, int n)
{
    const Plan& k = plan;

    if (k.smoothed)
    {
        if (k.triangle) renderRun<true,  false, false, true,  synced> (p, d, s, out, n);
        else            renderRun<false, true,  false, true,  synced> (p, d, s, out, n);
    }
    else if (k.triangle)
    {
        if (k.saw)      renderRun<true,  true,  false, false, synced> (p, d, s, out, n);
        else            renderRun<true,  false, false, false, synced> (p, d, s, out, n);
    }
    else if (k.saw)
    {
        if (k.pulse)    renderRun<false, true,  true,  false, synced> (p, d, s, out, n);
        else            renderRun<false, true,  false, false, synced> (p, d, s, out, n);
    }
    else
    {
        if (k.pulse)    renderRun<false, false, true,  false, synced> (p, d, s, out, n);
        else            renderRun<false, false, false, false, synced> (p, d, s, out, n);
    }
}

template <bool triangle, bool saw, bool pulse, bool smoothed, bool synced>
void QmOscillatorCore::renderRun (const float* phase, const float* d,
                                  const float* sync, float* out, int n)
{
    // finding the gaps pays off only over more than one sample
    Gaps gaps;
    Gaps* const g = n > 1 ? &gaps : nullptr;

    // the naive samples first, then the corrector's ring for all of them at once
    float naive[QmBlep::maxRun];

    for (int start = 0; start < n; start += QmBlep::maxRun)
    {
        const int m = std::min (QmBlep::maxRun, n - start);
        corrector.beginRun (naive);
        renderNaive<triangle, saw, pulse, smoothed, synced> (phase + start, d + start,
                                                             synced ? sync + start : nullptr, naive, m, g);
        corrector.endRun (out + start, m);
    }

    if (smoothed && ! callerSmooths)
        smoother.process (out, n);
}

namespace
{
    /** qmWrapPhase of four phases known to lie in [0, 2^23): there the
        truncation is the floor and adding 0 turns -0 into 0. */
    inline __m128 wrapFour (__m128 p) noexcept
    {
        const __m128 whole = _mm_cvtepi32_ps (_mm_cvttps_epi32 (p));
        return _mm_add_ps (_mm_sub_ps (p, whole), _mm_setzero_ps());
    }

    /** Whether all four samples from p to q stay inside the gap. */
    inline bool allInside (const QmCornerGap& gap, __m128 p, __m128 q) noexcept
    {
        const __m128 low = _mm_set1_ps (gap.low), high = _mm_set1_ps (gap.high);
        const __m128 inside = _mm_and_ps (_mm_and_ps (_mm_cmpge_ps (p, low), _mm_cmple_ps (p, high)),
                                          _mm_and_ps (_mm_cmpge_ps (q, low), _mm_cmple_ps (q, high)));
        return QmSimd::all (inside);
    }

    /** QmPWTriangle::value of four phases. Its quotient and difference taken
        in double and rounded to float are the float ones: double has more
        than twice float's precision. */
    inline __m128 triangleFour (__m128 e, float width) noexcept
    {
        const __m128 w = _mm_set1_ps (width);
        const __m128 rise = _mm_div_ps (e, w);
        const __m128 fall = _mm_sub_ps (_mm_set1_ps (1.0f), _mm_div_ps (_mm_sub_ps (e, w), _mm_set1_ps (1.0f - width)));
        const __m128 rising = _mm_cmpgt_ps (w, e);
        return QmSimd::select (rising, rise, fall);
    }
}

template <bool triangle, bool saw, bool pulse, bool smoothed, bool synced>
void QmOscillatorCore::renderNaive (const float* phase, const float* d, const float* sync, float* v, int m, Gaps* gaps)
{
    const Plan k = plan;

    auto one = [&] (int i)
    {
        const float p = qmWrapPhase (phase[i]);
        const float s = synced ? sync[i] : -1.0f;
        corrector.seek (i);

        // the plain waves add up from 0; the sweep takes its one wave as it is,
        // which starting from -0 does (-0 + v is v, even for v = -0)
        float x = smoothed ? -0.0f : 0.0f;

        if (triangle)
        {
            // the triangle's corners follow the increment: its gap holds only
            // while they sit at the width asked for
            pwTriangle.setWidth (k.triangleWidth, d[i]);
            x += qmRenderBandLimited (pwTriangle, corrector, p, d[i], k.triangleGain, s);

            if (gaps != nullptr && pwTriangle.isSettledAt (k.triangleWidth))
                gaps->triangle.find (pwTriangle, qmWrapPhase (p + d[i]));
        }

        if (saw)
            x += qmRenderBandLimited (sawA, corrector, p, d[i], k.sawGain, s, gaps != nullptr ? &gaps->saw : nullptr);

        if (pulse)
            x += qmRenderBandLimited (pulseB, corrector, p, d[i], k.pulseGain, s, gaps != nullptr ? &gaps->pulse : nullptr);

        v[i] = x;
    };

    int i = 0;

    // Four samples at a time while none of them crosses a corner, syncs or
    // moves the triangle's corners: the same operations as one() takes in
    // that case. Any other group of four goes through one(), which also
    // moves the gaps.
    if (gaps != nullptr)
    {
        const __m128 triangleGain = _mm_set1_ps (k.triangleGain), sawGain = _mm_set1_ps (k.sawGain);
        const __m128 pulseGain = _mm_set1_ps (k.pulseGain), pulseWidth = _mm_set1_ps (pulseB.width);

        for (; i + 4 <= m; i += 4)
        {
            const __m128 raw = _mm_loadu_ps (phase + i);
            const __m128 increment = _mm_loadu_ps (d + i);
            bool fast = QmSimd::all (_mm_and_ps (_mm_cmpge_ps (raw, _mm_setzero_ps()), _mm_cmplt_ps (raw, _mm_set1_ps (8388608.0f))));
            if (synced)
                fast = fast && QmSimd::all (_mm_cmplt_ps (_mm_loadu_ps (sync + i), _mm_setzero_ps()));

            // setWidth widens the rise from inverse * d > 0.1 (in double), that is from 0.1f on
            if (triangle)
                fast = fast && pwTriangle.isSettledAt (k.triangleWidth)
                         && QmSimd::all (_mm_cmplt_ps (_mm_mul_ps (_mm_set1_ps (pwTriangle.widthInverse()), increment), _mm_set1_ps (0.1f)));

            const __m128 p = wrapFour (raw);
            const __m128 q = _mm_add_ps (p, increment);
            fast = fast && (! triangle || allInside (gaps->triangle, p, q)) && (! saw || allInside (gaps->saw, p, q))
                        && (! pulse || allInside (gaps->pulse, p, q));

            if (! fast)
            {
                for (int j = i; j < i + 4; ++j)
                    one (j);
                continue;
            }

            // inside the gaps q lies in [0, 2]
            const __m128 end = wrapFour (q);
            __m128 x = _mm_set1_ps (smoothed ? -0.0f : 0.0f);
            if (triangle)
                x = _mm_add_ps (x, _mm_mul_ps (triangleFour (end, pwTriangle.width), triangleGain));
            if (saw)
                x = _mm_add_ps (x, _mm_mul_ps (end, sawGain));
            if (pulse)
                x = _mm_add_ps (x, _mm_mul_ps (_mm_and_ps (_mm_cmpgt_ps (pulseWidth, end), _mm_set1_ps (1.0f)), pulseGain));
            _mm_storeu_ps (v + i, x);
        }
    }

    for (; i < m; ++i)
        one (i);
}

void QmOscillatorCore::setPulseWidth (float width)
{
    pulseB.width = width;
    pulseB.corners[1]->position = width;
}

void QmOscillatorCore::makePlan (float w)
{
    Plan next;
    next.valid = true;
    next.shape = w;
    next.smoothing = smoothing;

    const float x = (float) ((double) w * 4.0);

    if (smoothing != 0 && x < 1.0f)
    {
        // a saw whose low-pass closes, then a triangle whose low-pass opens again
        const float y = (float) ((double) x * 2.0);
        float t;

        if (y < 1.0f)
        {
            next.saw = true;
            next.sawGain = -1.0f;
            t = 1.0f - y;
        }
        else
        {
            t = y - 1.0f;

            if (t == 0.0f)
            {
                next.saw = true;
                next.sawGain = -1.0f;
            }
            else
            {
                next.triangle = true;
                next.triangleWidth = (float) (1.0 - (double) t * 0.5);
                next.triangleGain = -1.0f;
            }
        }

        next.smoothed = true;
        const float cutoff = (float) ((double) (t * t * t) * 44100.0 + 150.0);
        smoother.setFrequencyAtRate (cutoff, context->sampleRate, false);
    }
    else if (x == 0.0f)
    {
        next.saw = true;
        next.sawGain = -1.0f;
    }
    else if (x < 1.0f)
    {
        next.triangle = true;
        next.triangleWidth = (float) (1.0 - (double) x * 0.5);
        next.triangleGain = -1.0f;
    }
    else if (x < 2.0f)
    {
        const float t = (float) ((double) x - 1.0);
        next.triangle = true;
        next.triangleWidth = (float) (0.5 - (double) t * 0.5);
        next.triangleGain = (float) -(1.0 - (double) t);
        next.saw = true;
        next.sawGain = t;
    }
    else if (x < 3.0f)
    {
        const float t = (float) ((double) x - 2.0);
        setPulseWidth ((float) ((double) t * 0.5));
        next.saw = true;
        next.sawGain = (float) (1.0 - (double) t);
        next.pulse = true;
        next.pulseGain = (float) -(0.7 * (double) t + 0.3);
    }
    else if (x < 4.0f)
    {
        const float t = (float) ((double) x - 3.0);
        setPulseWidth ((float) ((double) t * 0.5 + 0.5));
        next.pulse = true;
        next.pulseGain = -1.0f;
    }

    plan = next;
}
