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
}

float QmOscillatorCore::renderTriangle (float p, float d, float width, float g, float s)
{
    pwTriangle.setWidth (width, d);
    return pwTriangle.renderBandLimited (corrector, p, d, g, s);
}

float QmOscillatorCore::render (float p, float d, float w, float s)
{
    p = qmWrapPhase (p);

    const float x = (float) ((double) w * 4.0);

    if (smoothing != 0 && x < 1.0f)
        return renderSmoothed (p, d, x, s);

    float v = 0.0f;

    if (x == 0.0f)
    {
        v += sawA.renderBandLimited (corrector, p, d, -1.0f, s);
    }
    else if (x < 1.0f)
    {
        v += renderTriangle (p, d, (float) (1.0 - (double) x * 0.5), -1.0f, s);
    }
    else if (x < 2.0f)
    {
        const float t = (float) ((double) x - 1.0);
        v += renderTriangle (p, d, (float) (0.5 - (double) t * 0.5), (float) -(1.0 - (double) t), s);
        v += sawA.renderBandLimited (corrector, p, d, t, s);
    }
    else if (x < 3.0f)
    {
        const float t = (float) ((double) x - 2.0);
        const float width = (float) ((double) t * 0.5);
        pulseB.width = width;
        pulseB.corners[1]->position = width;
        v += sawA.renderBandLimited (corrector, p, d, (float) (1.0 - (double) t), s);
        v += pulseB.renderBandLimited (corrector, p, d, (float) -(0.7 * (double) t + 0.3), s);
    }
    else if (x < 4.0f)
    {
        const float t = (float) ((double) x - 3.0);
        const float width = (float) ((double) t * 0.5 + 0.5);
        pulseB.width = width;
        pulseB.corners[1]->position = width;
        v += pulseB.renderBandLimited (corrector, p, d, -1.0f, s);
    }

    return corrector.process (v);
}

float QmOscillatorCore::renderSmoothed (float p, float d, float x, float s)
{
    const float y = (float) ((double) x * 2.0);
    float v, t;

    if (y < 1.0f)
    {
        v = sawA.renderBandLimited (corrector, p, d, -1.0f, s);
        t = 1.0f - y;
    }
    else
    {
        t = y - 1.0f;
        v = t == 0.0f ? sawA.renderBandLimited (corrector, p, d, -1.0f, s)
                      : renderTriangle (p, d, (float) (1.0 - (double) t * 0.5), -1.0f, s);
    }

    const float cutoff = (float) ((double) (t * t * t) * 44100.0 + 150.0);
    smoother.setFrequencyAtRate (cutoff, context->sampleRate, false);

    return smoother.step (corrector.process (v));
}
