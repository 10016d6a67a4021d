#include "QmSawWave.h"

QmSawWave::QmSawWave()
{
    addCorner (0.0f, 1.0f, 1.0f, 1.0f, 0.0f);
}

float QmSawWave::value (float phase)  { return phase; }
float QmSawWave::slope (float)        { return 1.0f; }
