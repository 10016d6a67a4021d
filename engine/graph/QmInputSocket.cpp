#include "QmInputSocket.h"
#include "QmModule.h"
#include "QmOutputSocket.h"
#include "QmSignal.h"

#include <cstdio>

QmInputSocket::QmInputSocket (QmModule* m, std::string n, uint32_t k)
    : own (new QmSignal (k, m->context)), context (m->context), owner (m)
{
    kind = k;
    name = std::move (n);
}

QmInputSocket::~QmInputSocket()
{
    delete own;
}

void QmInputSocket::requestSignal()
{
    if (debug)
        std::printf ("input[%s/%s] requestSignal %lu \n\t", owner->name.c_str(), name.c_str(),
                     (unsigned long) sources.size());

    for (auto* source : sources)
        source->requestSignal();

    // Without sources the push does nothing but its trace.
    if (sources.empty() && debug)
        pushSignal (own);
}

void QmInputSocket::sendEvent (const QmGraphEvent& event)
{
    for (auto* source : sources)
        source->sendEvent (event);
}

void QmInputSocket::pushSignal (QmSignal* signal)
{
    if (debug)
        std::printf ("input[%s/%s] pushSignal %s  - usemy %d \n\t", owner->name.c_str(), name.c_str(),
                     signal->toString().c_str(), (int) usemy);

    if (sources.empty())
        return;

    if (usemy)
    {
        // A scalar zero adds nothing: x + 0 is x, save that -0 would become
        // +0, and a sum started from the cleared +0 never holds -0.
        if (signal->kind != QmSignal::block && signal->value == 0.0f)
            return;

        own->mixAdd (signal);

        if (debug && signal->kind == QmSignal::block && own->kind == QmSignal::block)
            std::printf ("%f %f\n\t", (double) signal->buffer[100], (double) own->buffer[100]);
    }
    else
    {
        current = signal;
    }
}

void QmInputSocket::clear()
{
    clear (qmNextClearPass());
}

void QmInputSocket::clear (QmClearPass pass)
{
    if (usemy)
    {
        own->clear();

        if (debug)
            std::printf ("Clear\n\t");
    }

    for (auto* source : sources)
        source->clear (pass);
}
