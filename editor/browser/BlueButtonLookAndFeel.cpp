#include "BlueButtonLookAndFeel.h"

#include "WidgetFont.h"

BlueButtonLookAndFeel::BlueButtonLookAndFeel() = default;

juce::Font BlueButtonLookAndFeel::getTextButtonFont (juce::TextButton&, int)
{
    return widgetFont (15.0f, juce::Font::bold);
}
