#include "QmWave.h"
#include "QmBlep.h"

#include <cmath>

QmWave::~QmWave()
{
    for (int i = 0; i < cornerCount; ++i)
        delete corners[i];
}

QmWaveCorner* QmWave::addCorner (float position, float slopeBefore, float slopeAfter,
                                 float valueBefore, float valueAfter)
{
    auto* c = new QmWaveCorner { position, slopeBefore, slopeAfter, valueBefore, valueAfter };
    corners[cornerCount++] = c;
    return c;
}

void QmWave::addCorners (const QmWaveCorner* table, int count)
{
    for (int i = 0; i < count; ++i)
        addCorner (table[i].position, table[i].slopeBefore, table[i].slopeAfter,
                   table[i].valueBefore, table[i].valueAfter);
}

float qmWrapPhase (float phase)
{
    const float p = phase - std::floor (phase);
    // a tiny negative phase rounds up to exactly 1; a NaN stays one, to be reported
    return p >= 1.0f ? 0.0f : p;
}

float QmWave::renderBandLimited (QmBlep& corrector, float p, float d, float g, float s)
{
    if (s < 0.0f)
    {
        const float q = p + d;
        const double sign = d < 0.0f ? -1.0 : 1.0;

        for (int i = 0; i < cornerCount; ++i)
        {
            const QmWaveCorner& c = *corners[i];

            for (int k = 0; k < 2; ++k)
            {
                const float position = k == 0 ? c.position : (float) ((double) c.position + 1.0);

                if ((p - position) * (q - position) < 0.0f)
                {
                    const float f = (q - position) / d;
                    // crossing backwards turns the slope change around as well as the step
                    corrector.addRamp (f, (float) ((double) (-((c.slopeAfter - c.slopeBefore) * d)) * 0.25 * g * sign));
                    corrector.addStep (f, (float) ((double) (c.valueAfter - c.valueBefore) * sign * g));
                }
            }
        }

        return value (qmWrapPhase (q)) * g;
    }

    // hard sync: the phase is reset to 0 at the time s inside the sample
    const float ps = qmWrapPhase (d * s + p);
    const float r = (float) (1.0 - (double) s);

    corrector.addStep (r, (value (0.0f) - value (ps)) * g);
    // same scale as a corner: a slope change D per sample is an amount of -D / 4
    corrector.addRamp (r, (float) (-0.25 * (double) (slope (0.0f) - slope (ps)) * d * g));

    return value ((float) ((double) d * (1.0 - (double) s))) * g;
}
