#include "QmButton.h"

#include "QmParameter.h"

QmButton::QmButton (QmParameter* p, int value)
    : juce::TextButton (p != nullptr ? juce::String::fromUTF8 (p->name.c_str()) : juce::String()),
      QmComponent (p),
      buttonValue (value)
{
    if (p != nullptr)
        setToggleState (p->value == 1.0f, juce::dontSendNotification);
}

void QmButton::setNormalisedValue (float value)
{
    setToggleState (value == 1.0f, juce::dontSendNotification);
}

void QmButton::updateFromParameter()
{
    if (parameter != nullptr)
        setToggleState (optionIndex (*parameter) == buttonValue, juce::dontSendNotification);
}

void QmButton::clicked()
{
    if (parameter == nullptr)
        return;

    if (getRadioGroupId() != 0)
    {
        if (getToggleState())
            setValueByUser (optionValue (*parameter, buttonValue));

        setButtonText (juce::String::fromUTF8 (parameter->getOptionText (parameter->getIndex()).c_str()));
    }
    else
    {
        setValueByUser (optionValue (*parameter, getToggleState() ? buttonValue : 0));
    }
}

int QmButton::optionCount (const QmParameter& p)
{
    return p.steps >= 2 ? p.steps : 2;
}

int QmButton::optionIndex (const QmParameter& p)
{
    return p.steps >= 2 ? p.getIndex() : (p.value >= 0.5f ? 1 : 0);
}

float QmButton::optionValue (const QmParameter& p, int k)
{
    return (float) k / (float) (optionCount (p) - 1);
}
