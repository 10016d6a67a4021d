#pragma once

#include "BlueButtonLookAndFeel.h"

/** As BlueButtonLookAndFeel, with the text right-aligned across the whole width. */
class RightJustifiedButtonLookAndFeel : public BlueButtonLookAndFeel
{
public:
    RightJustifiedButtonLookAndFeel();

    void drawButtonText (juce::Graphics& g, juce::TextButton& button, bool isMouseOverButton, bool isButtonDown) override;

private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (RightJustifiedButtonLookAndFeel)
};
