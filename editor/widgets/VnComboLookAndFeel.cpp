#include "VnComboLookAndFeel.h"

#include "PanelPalette.h"
#include "WidgetFont.h"

VnComboLookAndFeel::VnComboLookAndFeel() = default;

void VnComboLookAndFeel::drawButtonBackground (juce::Graphics& g, juce::Button& button, const juce::Colour&,
                                               bool isMouseOverButton, bool isButtonDown)
{
    PanelPalette::drawRow (g, button.getLocalBounds(), isMouseOverButton || isButtonDown, button.getToggleState());
}

juce::Font VnComboLookAndFeel::getTextButtonFont (juce::TextButton&, int buttonHeight)
{
    return widgetFont (juce::jmin (15.0f, (float) buttonHeight * 0.6f));
}
