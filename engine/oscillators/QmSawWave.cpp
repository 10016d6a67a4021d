#include "QmSawWave.h"

QmSawWave::QmSawWave()
{
    addCorner (0.0f, 1.0f, 1.0f, 1.0f, 0.0f);
}
