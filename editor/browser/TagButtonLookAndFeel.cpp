#include "TagButtonLookAndFeel.h"

#include "ButtonTextColour.h"

TagButtonLookAndFeel::TagButtonLookAndFeel() = default;

void TagButtonLookAndFeel::drawButtonText (juce::Graphics& g, juce::TextButton& button, bool, bool)
{
    g.setFont (juce::Font (15.0f).boldened());
    g.setColour (buttonTextColour (button));
    g.drawFittedText (button.getButtonText(), { 10, 4, button.getWidth() - 20, button.getHeight() - 8 },
                      juce::Justification::centred, 2);
}
