#pragma once

#include "Processable.h"
#include "QmGraphEvent.h"
#include "QmInputSocket.h"
#include "QmOutputSocket.h"
#include "QmProcessContext.h"
#include "QmSignal.h"

#include <vector>

/** Base of every sound module: owns its sockets, processes at most once per
    block tick after pulling its inputs, and acts on each graph event once. */
class QmModule : public Processable
{
public:
    explicit QmModule (QmProcessContext* context);
    ~QmModule() override;

    void requestSignal() override;
    void sendEvent (const QmGraphEvent& event) override;
    void pushSignal (QmSignal* signal) override;
    void clear() override;

    /** Clears the inputs, and what feeds them, once per traversal. */
    void clear (QmClearPass pass);

    virtual void process() {}
    virtual void sampleRateChanged() {}

    /** Forgets what the module was sounding: its audio and note state become
        a new module's. Settings, and the glides that follow them, stay.
        Audio thread; allocates nothing. */
    virtual void reset() {}
    virtual void onEvent (const QmGraphEvent&) {}

    QmInputSocket* addInput (std::string name, uint32_t kind);
    QmOutputSocket* addOutput (std::string name, uint32_t kind);

    /** The nth socket of that name in creation order, or null. */
    QmInputSocket* findInput (const std::string& name, int nth = 0) const;
    QmOutputSocket* findOutput (const std::string& name, int nth = 0) const;

    QmProcessContext* context;
    uint32_t lastTick = 0xffffffffu;
    uint32_t lastEventId = 0xffffffffu;
    QmClearPass lastClear = 0;
    std::vector<QmInputSocket*> inputs;
    std::vector<QmOutputSocket*> outputs;

    QmModule (const QmModule&) = delete;
    QmModule& operator= (const QmModule&) = delete;
};
