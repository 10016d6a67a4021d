#include "QmPulseWave.h"

QmPulseWave::QmPulseWave()
{
    addCorner (0.0f, 0.0f, 0.0f, 0.0f, 1.0f);
    addCorner (width, 0.0f, 0.0f, 1.0f, 0.0f);
}

float QmPulseWave::value (float phase)  { return width > phase ? 1.0f : 0.0f; }
float QmPulseWave::slope (float)        { return 0.0f; }
