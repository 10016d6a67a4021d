#include "QmTriangleWave.h"

const QmWaveCorner QmTriangleWave::cornerTable[3] =
{
    { 0.0f, -2.0f,  2.0f, 0.0f, 0.0f },
    { 0.5f,  2.0f, -2.0f, 1.0f, 1.0f },
    { 1.0f, -2.0f,  2.0f, 0.0f, 0.0f },
};

QmTriangleWave::QmTriangleWave()
{
    addCorners (cornerTable, 3);
}

float QmTriangleWave::valueAt (double p)
{
    return (float) (p > 0.5 ? 1.0 - (p - 0.5) * 2.0 : p * 2.0);
}

float QmTriangleWave::slopeAt (float phase)
{
    return 0.5f > phase ? 2.0f : -2.0f;
}

float QmTriangleWave::value (float phase)  { return valueAt (phase); }
float QmTriangleWave::slope (float phase)  { return slopeAt (phase); }
