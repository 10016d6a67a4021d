#include "QmWrappedSawWave.h"
#include "QmTriangleWave.h"

QmWrappedSawWave::QmWrappedSawWave()
{
    addCorners (QmTriangleWave::cornerTable, 3);
}

float QmWrappedSawWave::value (float phase)
{
    double p = phase;
    if (p < 0.0)
        p += 1.0;

    return QmTriangleWave::valueAt (p);
}

float QmWrappedSawWave::slope (float phase)
{
    return QmTriangleWave::slopeAt (phase);
}
