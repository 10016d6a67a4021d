#pragma once

#include "Processable.h"

#include <vector>

class QmModule;
class QmOutputSocket;
struct QmProcessContext;

/** A module's input. Fed by one output of its own kind it borrows that
    output's signal; fed by several, or by another kind, it sums them into a
    signal of its own, which the clear pass zeroes before every block. */
class QmInputSocket : public Processable
{
public:
    ~QmInputSocket() override;

    /** The signal the owning module reads. */
    QmSignal* getSignal() const noexcept { return usemy ? own : current; }

    void requestSignal() override;
    void sendEvent (const QmGraphEvent& event) override;
    void pushSignal (QmSignal* signal) override;
    void clear() override;

    std::vector<QmOutputSocket*> sources;
    QmSignal* current = nullptr;
    QmSignal* own = nullptr;
    QmProcessContext* context = nullptr;
    uint8_t usemy = 1;
    uint8_t debug = 0;
    QmModule* owner = nullptr;

private:
    friend class QmModule;
    QmInputSocket (QmModule* owner, std::string name, uint32_t kind);
};
