#include "QmWave.h"

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

float QmWave::renderBandLimited (QmBlep& corrector, float p, float d, float g, float s)
{
    return qmRenderBandLimited (*this, corrector, p, d, g, s);
}
