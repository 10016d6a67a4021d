#pragma once

#include <cstdint>

/** State of one ADSR envelope of the modulator: a trapezoidal one-pole
    that chases a target, switching between attack, decay and release
    coefficients. Times are in samples. */
struct QmEnvelopeState
{
    float y = 0.0f;             // output
    float z = 0.0f;             // integrator state
    int32_t counter = 0;        // zeroed at release, not read
    float previousGate = 0.0f;
    int32_t sampleRate = 44100; // kept up to date, not read by the kernel
    float target = 0.0f;
    float peak = 1.0f;
    float velocityAmount = 0.0f;
    float g = 1.0f;             // current coefficient
    float k = 1.0f;             // current 1 / (1 + g)
    float attack = 0.0f;
    float decay = 0.0f;
    float release = 0.0f;
    float sustain = 0.0f;
    uint8_t retrigger = 0;
};
