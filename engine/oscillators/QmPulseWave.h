#pragma once

#include "QmWave.h"

/** A pulse that is 1 from the cycle's start up to its width, then 0.

    To change the width write both `width` and the second corner's position.
*/
class QmPulseWave final : public QmWave
{
public:
    QmPulseWave();

    float value (float phase) override  { return width > phase ? 1.0f : 0.0f; }
    float slope (float) override        { return 0.0f; }

    float width = 0.5f;
};
