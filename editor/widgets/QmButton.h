#pragma once

#include "QmComponent.h"

/** A button standing for one option of a parameter (buttonValue; 1 for a
    plain on/off button). A continuous parameter counts as two options, 0 and
    1. In a radio group, turning it on selects its option. */
class QmButton : public juce::TextButton,
                 public QmComponent
{
public:
    QmButton (QmParameter* parameter, int buttonValue);

    void setNormalisedValue (float value) override;
    void updateFromParameter() override;
    void clicked() override;

    /** The options a button steps through: the parameter's, two for a
        continuous one. */
    static int optionCount (const QmParameter& p);

    /** The option the parameter stands on, counted as optionCount does. */
    static int optionIndex (const QmParameter& p);

    /** The value of option k of optionCount. */
    static float optionValue (const QmParameter& p, int k);

    const int buttonValue;
};
