#pragma once

#include "Processable.h"
#include "QmInputSocket.h"

#include <vector>

class QmModule;
struct QmProcessContext;

/** A module's output: fans each pushed signal out to its connected inputs,
    the first getting the signal itself and every later one a private copy. */
class QmOutputSocket : public Processable
{
public:
    QmOutputSocket (QmProcessContext* context, std::string name, uint32_t kind);
    ~QmOutputSocket() override;

    /** Connects this output to an input; a second connection to the same
        input is refused. Allocates the copy that input will receive. */
    void connect (QmInputSocket* input);

    void requestSignal() override;
    void sendEvent (const QmGraphEvent& event) override;
    void pushSignal (QmSignal* signal) override;
    void clear() override;

    /** Clears the owning module in that traversal. */
    void clear (QmClearPass pass);

    std::vector<QmInputSocket*> inputs;
    std::vector<QmSignal*> copies;
    QmProcessContext* context;
    QmModule* owner = nullptr;
};
