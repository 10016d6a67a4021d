#include "RightJustifiedButtonLookAndFeel.h"

RightJustifiedButtonLookAndFeel::RightJustifiedButtonLookAndFeel() = default;

void RightJustifiedButtonLookAndFeel::drawButtonText (juce::Graphics& g, juce::TextButton& button, bool, bool)
{
    drawTextWithin (g, button, 0, button.getWidth(), juce::Justification::right);
}
