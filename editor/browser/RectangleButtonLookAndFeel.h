#pragma once

#include "KorvixLookAndFeel.h"

/** Flat, square-cornered buttons with their text drawn in one line, with an
    ellipsis when it does not fit. */
class RectangleButtonLookAndFeel : public KorvixLookAndFeel
{
public:
    RectangleButtonLookAndFeel();

    void drawButtonBackground (juce::Graphics& g, juce::Button& button, const juce::Colour& backgroundColour,
                               bool isMouseOverButton, bool isButtonDown) override;
    void drawButtonText (juce::Graphics& g, juce::TextButton& button, bool isMouseOverButton, bool isButtonDown) override;

protected:
    /** Draws the button's text in getTextButtonFont, in its toggle state's
        text colour (half alpha when disabled), between x and x + width, with a
        vertical margin of a third of the height, at most 4. */
    void drawTextWithin (juce::Graphics& g, juce::TextButton& button, int x, int width, juce::Justification textJustification);

    int justification = juce::Justification::left;
    int leftIndent = 0;
    int rightIndent = 0;

private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (RectangleButtonLookAndFeel)
};
