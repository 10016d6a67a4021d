#pragma once

#include "QmOnePole.h"

#include <cstdint>

/** State of the modulator's struck envelope: a level set on each key press
    that falls exponentially, smoothed by a one-pole low-pass. */
struct QmWowEnvelope
{
    QmWowEnvelope() { smoother.setFrequency (503.0f, false); }

    int32_t unused = 0;
    QmOnePole smoother;
    float start = 0.0f;         // level at the last start
    float previousGate = 0.0f;
    float level = 0.0f;
    float time = 0.0f;          // samples
    uint8_t retrigger = 0;
    float rate = 0.0f;          // written, not read
    float decay = 100.0f;       // written, not read
    float velocityAmount = 0.0f;
};
