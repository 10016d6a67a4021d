#include "QmPulseWave.h"

QmPulseWave::QmPulseWave()
{
    addCorner (0.0f, 0.0f, 0.0f, 0.0f, 1.0f);
    addCorner (width, 0.0f, 0.0f, 1.0f, 0.0f);
}
