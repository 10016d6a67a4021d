#pragma once

#include "KorvixLookAndFeel.h"

/** Tag buttons: no background, bold 15 text centred in up to two lines. */
class TagButtonLookAndFeel : public KorvixLookAndFeel
{
public:
    TagButtonLookAndFeel();

    void drawButtonBackground (juce::Graphics&, juce::Button&, const juce::Colour&, bool, bool) override {}
    void drawButtonText (juce::Graphics& g, juce::TextButton& button, bool isMouseOverButton, bool isButtonDown) override;

private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (TagButtonLookAndFeel)
};
