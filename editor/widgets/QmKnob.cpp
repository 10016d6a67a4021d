#include "QmKnob.h"

#include "QmParameter.h"

QmKnob::QmKnob (QmParameter* p)
    : juce::Slider (juce::String::fromUTF8 (p->name.c_str())),
      QmComponent (p)
{
    setRange (0.0, 1.0, p->steps >= 2 ? 1.0 / (p->steps - 1) : 0.0);
    setSliderStyle (juce::Slider::RotaryVerticalDrag);
    setValue (p->value, juce::dontSendNotification);

    if (p->bipolar)
        setDoubleClickReturnValue (true, 0.5);
}

void QmKnob::setNormalisedValue (float value)
{
    setValue (value, juce::dontSendNotification);
}

void QmKnob::updateFromParameter()
{
    if (parameter != nullptr)
        setValue (parameter->value, juce::dontSendNotification);
}

void QmKnob::valueChanged()
{
    if (parameter != nullptr)
        parameter->setValue ((float) getValue());
}
