#include "QmOscillatorCore.h"
#include "QmProcessContext.h"

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
    const Plan k = plan;
    // a local smoother keeps its history in registers rather than behind the output stores
    QmOnePole smooth = smoother;
    // the saw's and pulse's corners stay put for the run (the triangle's follow the
    // increment); finding the gaps pays off only over more than one sample
    QmCornerGap gaps[2];
    QmCornerGap* const sawGap = n > 1 ? &gaps[0] : nullptr;
    QmCornerGap* const pulseGap = n > 1 ? &gaps[1] : nullptr;

    for (int i = 0; i < n; ++i)
    {
        const float p = qmWrapPhase (phase[i]);
        const float s = synced ? sync[i] : -1.0f;

        // the plain waves add up from 0; the sweep takes its one wave as it is,
        // which starting from -0 does (-0 + v is v, even for v = -0)
        float v = smoothed ? -0.0f : 0.0f;

        if (triangle)
        {
            pwTriangle.setWidth (k.triangleWidth, d[i]);
            v += qmRenderBandLimited (pwTriangle, corrector, p, d[i], k.triangleGain, s);
        }

        if (saw)
            v += qmRenderBandLimited (sawA, corrector, p, d[i], k.sawGain, s, sawGap);

        if (pulse)
            v += qmRenderBandLimited (pulseB, corrector, p, d[i], k.pulseGain, s, pulseGap);

        const float y = corrector.process (v);
        out[i] = smoothed && ! callerSmooths ? smooth.step (y) : y;
    }

    smoother = smooth;
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
