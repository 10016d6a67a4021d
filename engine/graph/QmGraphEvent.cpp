#include "QmGraphEvent.h"

#include <atomic>

uint32_t QmGraphEvent::nextId()
{
    static std::atomic<uint32_t> counter { 0 };
    return ++counter;
}
