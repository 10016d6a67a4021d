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
    return renderSample (smoother, p, d, w, s);
}

void QmOscillatorCore::renderBlock (const float* p, const float* d, const float* w,
                                    const float* s, float* out, int n)
{
    // a local smoother keeps its history in registers rather than behind the output stores
    QmOnePole lowPass = smoother;

    for (int i = 0; i < n; ++i)
        out[i] = renderSample (lowPass, p[i], d[i], w[i], s[i]);

    smoother = lowPass;
}

void QmOscillatorCore::setPulseWidth (float width)
{
    pulseB.width = width;
    pulseB.corners[1]->position = width;
}

void QmOscillatorCore::makePlan (QmOnePole& lowPass, float w)
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
        lowPass.setFrequencyAtRate (cutoff, context->sampleRate, false);
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

inline float QmOscillatorCore::renderSample (QmOnePole& lowPass, float p, float d, float w, float s)
{
    if (! (plan.valid && w == plan.shape && smoothing == plan.smoothing))
        makePlan (lowPass, w);

    p = qmWrapPhase (p);

    // the waves add up from 0, except that the smoother's single wave is taken as it is
    // (-0 + v is v, even for v = -0)
    float v = plan.smoothed ? -0.0f : 0.0f;

    if (plan.triangle)
    {
        pwTriangle.setWidth (plan.triangleWidth, d);
        v += qmRenderBandLimited (pwTriangle, corrector, p, d, plan.triangleGain, s);
    }

    if (plan.saw)
        v += qmRenderBandLimited (sawA, corrector, p, d, plan.sawGain, s);

    if (plan.pulse)
        v += qmRenderBandLimited (pulseB, corrector, p, d, plan.pulseGain, s);

    const float y = corrector.process (v);
    return plan.smoothed ? lowPass.step (y) : y;
}
