#include "TagButtonLookAndFeel.h"

#include "ButtonTextColour.h"
#include "WidgetFont.h"

TagButtonLookAndFeel::TagButtonLookAndFeel() = default;

void TagButtonLookAndFeel::drawButtonText (juce::Graphics& g, juce::TextButton& button, bool, bool)
{
    g.setFont (widgetFont (15.0f, juce::Font::bold));
    g.setColour (buttonTextColour (button));
    g.drawFittedText (button.getButtonText(), { 10, 4, button.getWidth() - 20, button.getHeight() - 8 },
                      juce::Justification::centred, 2);
}
