#include "QmWave.h"

#include <algorithm>
#include <limits>

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

void qmCorrectCorner (QmBlep& corrector, const QmWaveCorner& c, float f, float d, float g)
{
    // crossing backwards turns the slope change around as well as the step
    const double sign = d < 0.0f ? -1.0 : 1.0;
    corrector.addRamp (f, (float) ((double) (-((c.slopeAfter - c.slopeBefore) * d)) * 0.25 * g * sign));
    corrector.addStep (f, (float) ((double) (c.valueAfter - c.valueBefore) * sign * g));
}

void QmCornerGap::find (const QmWave& wave, float phase) noexcept
{
    if (phase != phase)
    {
        low = 1.0f;
        high = 0.0f;
        return;
    }

    low = -std::numeric_limits<float>::infinity();
    high = std::numeric_limits<float>::infinity();

    for (int i = 0; i < wave.cornerCount; ++i)
    {
        const float c = wave.corners[i]->position;

        for (const float position : { c, (float) ((double) c + 1.0) })
        {
            if (position <= phase) low = std::max (low, position);
            if (position >= phase) high = std::min (high, position);
        }
    }
}

float QmWave::renderBandLimited (QmBlep& corrector, float p, float d, float g, float s)
{
    return qmRenderBandLimited (*this, corrector, p, d, g, s);
}
