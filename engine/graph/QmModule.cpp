#include "QmModule.h"

#include <atomic>
#include <cstdio>

QmClearPass qmNextClearPass() noexcept
{
    // Lock-free: engines on several threads may clear at once.
    static std::atomic<QmClearPass> passes { 0 };
    return ++passes;
}

QmModule::QmModule (QmProcessContext* c)
    : context (c)
{
}

QmModule::~QmModule()
{
    for (auto* input : inputs)
        delete input;

    for (auto* output : outputs)
        delete output;
}

void QmModule::requestSignal()
{
    const auto tick = (uint32_t) context->tick;

    if (tick == lastTick)
        return;

    // Marked before the inputs are asked, so a second path to this module
    // in the same block returns at once.
    lastTick = tick;

    for (auto* input : inputs)
        input->requestSignal();

    process();
}

void QmModule::sendEvent (const QmGraphEvent& event)
{
    if (event.id == lastEventId)
        return;

    lastEventId = event.id;

    for (auto* input : inputs)
        input->sendEvent (event);

    if (event.type == QmGraphEvent::sampleRateChanged)
        sampleRateChanged();

    onEvent (event);
}

void QmModule::pushSignal (QmSignal*)
{
    std::printf ("wrong!\n");
}

void QmModule::clear()
{
    clear (qmNextClearPass());
}

void QmModule::clear (QmClearPass pass)
{
    // Many paths lead to the same modules: without this a block's clear
    // would visit them hundreds of times.
    if (pass == lastClear)
        return;

    lastClear = pass;

    for (auto* input : inputs)
        input->clear (pass);
}

QmInputSocket* QmModule::addInput (std::string socketName, uint32_t socketKind)
{
    auto* input = new QmInputSocket (this, std::move (socketName), socketKind);
    inputs.push_back (input);
    return input;
}

QmOutputSocket* QmModule::addOutput (std::string socketName, uint32_t socketKind)
{
    auto* output = new QmOutputSocket (context, std::move (socketName), socketKind);
    output->owner = this;
    outputs.push_back (output);
    return output;
}

QmInputSocket* QmModule::findInput (const std::string& socketName, int nth) const
{
    for (auto* input : inputs)
        if (input->name == socketName && nth-- == 0)
            return input;

    return nullptr;
}

QmOutputSocket* QmModule::findOutput (const std::string& socketName, int nth) const
{
    for (auto* output : outputs)
        if (output->name == socketName && nth-- == 0)
            return output;

    return nullptr;
}
