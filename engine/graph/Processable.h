#pragma once

#include <cstdint>
#include <string>

struct QmGraphEvent;
struct QmSignal;

/** Base of every node of the signal graph. */
class Processable
{
public:
    virtual ~Processable() = default;

    virtual void requestSignal() {}
    virtual void sendEvent (const QmGraphEvent&) {}
    virtual void pushSignal (QmSignal*) {}
    virtual void clear() {}

    uint32_t kind = 0;
    std::string name;
};
