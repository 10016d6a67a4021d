#pragma once

#include "Processable.h"

#include <vector>

class QmModule;
class QmOutputSocket;
struct QmProcessContext;

/** One clear traversal of the graph, numbered process-wide from 1: a module
    reached again along another path of the same traversal has nothing left
    to zero (nothing runs in between), so it stops there. Each clear() called
    from outside starts a new traversal. */
using QmClearPass = uint64_t;

/** A number no traversal has had. */
QmClearPass qmNextClearPass() noexcept;

/** A module's input. Fed by one output of its own kind it borrows that
    output's signal; fed by several, or by another kind, it sums them into a
    signal of its own, which the clear pass zeroes before every block. */
class QmInputSocket final : public Processable
{
public:
    ~QmInputSocket() override;

    /** The signal the owning module reads. */
    QmSignal* getSignal() const noexcept { return usemy ? own : current; }

    void requestSignal() override;
    void sendEvent (const QmGraphEvent& event) override;
    void pushSignal (QmSignal* signal) override;
    void clear() override;

    /** Zeroes the own signal (when used) and clears the sources in that traversal. */
    void clear (QmClearPass pass);

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
