#pragma once

#include <cstdint>

/** A module's own reader of one drift table, wrapping at its end. */
struct QmDriftTap
{
    void read (float* out, int n) noexcept;

    /** Reads on from where the tap started. */
    void restart() noexcept { position = start; }

    const float* table = nullptr;   // null: reads zeros
    int32_t position = 0;
    int32_t length = 0;
    int32_t start = 0;
};
