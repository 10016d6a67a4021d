#include "QmComponent.h"

#include "MidiOverlay.h"
#include "QmParameter.h"

QmComponent::QmComponent (QmParameter* p)
    : parameter (p)
{
    installCallback();
}

QmComponent::~QmComponent()
{
    // Waits for a call in flight on another thread, so none reaches this
    // widget once it is gone.
    if (parameter != nullptr)
        parameter->clearCallback();

    deleteOverlay();
}

void QmComponent::installCallback()
{
    if (parameter != nullptr)
        parameter->setCallback (&QmComponent::parameterChanged, this);
}

void QmComponent::deleteOverlay()
{
    delete overlay;
    overlay = nullptr;
}

void QmComponent::parameterChanged (void* widget)
{
    static_cast<QmComponent*> (widget)->updatePending.store (true);
}

void QmComponent::deliverPendingUpdate()
{
    if (updatePending.exchange (false))
        updateFromParameter();
}

void QmComponent::setValueByUser (float value)
{
    if (parameter == nullptr)
        return;

    parameter->setValue (value);

    if (onUserChange != nullptr)
        onUserChange (*this);
}
