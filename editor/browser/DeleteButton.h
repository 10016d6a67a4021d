#pragma once

#include "BlackBankButton.h"

/** The accent glyph laid over a list row in remove mode; it paints no background,
    so the row beneath shows through. */
class DeleteButton : public BlackBankButton
{
public:
    DeleteButton (const juce::String& text, const juce::String& tooltip);
    ~DeleteButton() override;

protected:
    void paintButton (juce::Graphics& g, bool isMouseOverButton, bool isButtonDown) override;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (DeleteButton)
};
