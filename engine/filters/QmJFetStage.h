#pragma once

#include "QmJFetNonlin.h"

#include <memory>

/** State of the two-pole kernels (the multi filter's "12" type and the
    high-pass core) with the JFET curve the high-pass core reads. */
struct QmJFetStage
{
    QmJFetStage();

    /** Clears the integrators, output and feedback amount. */
    void reset() noexcept;

    /** True when every state is finite; a blown-up state is reset by its owner. */
    bool isFinite() const noexcept;

    float s0 = 0.0f;
    float s1 = 0.0f;
    std::unique_ptr<QmJFetNonlin> nonlin;   // mode 1, k 0.5
    float out = 0.0f;
    float kStore = 0.0f;
};
