#pragma once

#include "QmWave.h"

/** A pulse that is 1 from the cycle's start up to its width, then 0.

    To change the width write both `width` and the second corner's position.
*/
class QmPulseWave : public QmWave
{
public:
    QmPulseWave();

    float value (float phase) override;
    float slope (float phase) override;

    float width = 0.5f;
};
