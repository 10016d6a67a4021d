#include "QmOutputSocket.h"
#include "QmInputSocket.h"
#include "QmModule.h"
#include "QmProcessContext.h"
#include "QmSignal.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

QmOutputSocket::QmOutputSocket (QmProcessContext* c, std::string n, uint32_t k)
    : context (c)
{
    kind = k;
    name = std::move (n);
}

QmOutputSocket::~QmOutputSocket()
{
    for (auto* copy : copies)
        delete copy;
}

void QmOutputSocket::connect (QmInputSocket* input)
{
    if (std::find (inputs.begin(), inputs.end(), input) != inputs.end())
    {
        std::printf ("Output socket is already connected to input socket\n");
        return;
    }

    input->sources.push_back (this);
    input->usemy = (kind == input->kind && input->sources.size() == 1) ? 0 : 1;
    inputs.push_back (input);
    copies.push_back (new QmSignal (kind, context));
}

void QmOutputSocket::requestSignal()
{
    if (owner != nullptr)
        owner->requestSignal();
}

void QmOutputSocket::sendEvent (const QmGraphEvent& event)
{
    if (owner != nullptr)
        owner->sendEvent (event);
}

void QmOutputSocket::clear()
{
    clear (qmNextClearPass());
}

void QmOutputSocket::clear (QmClearPass pass)
{
    if (owner != nullptr)
        owner->clear (pass);
}

void QmOutputSocket::pushSignal (QmSignal* signal)
{
    for (size_t i = 0; i < inputs.size(); ++i)
    {
        if (i == 0)
        {
            inputs[0]->pushSignal (signal);
            continue;
        }

        QmSignal* copy = copies[i - 1];
        copy->value = signal->value;
        copy->index = signal->index;

        if (copy->kind == QmSignal::block)
        {
            const int n = context->blockLength;

            if (signal->kind == QmSignal::block)
                std::memcpy (copy->buffer, signal->buffer, (size_t) n * sizeof (float));
            else
                std::fill (copy->buffer, copy->buffer + n, signal->value);
        }

        inputs[i]->pushSignal (copy);
    }
}
