#pragma once

#include <cstdint>

/** An event sent upstream through the graph; each module acts on an id once. */
struct QmGraphEvent
{
    enum Type : uint32_t { sampleRateChanged = 1 };

    uint32_t type = sampleRateChanged;
    uint32_t id = 0;

    /** The next serial of the process-wide counter (the first is 1). */
    static uint32_t nextId();
};
