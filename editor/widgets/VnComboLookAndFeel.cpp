#include "VnComboLookAndFeel.h"

#include "WidgetFont.h"

VnComboLookAndFeel::VnComboLookAndFeel() = default;

juce::Font VnComboLookAndFeel::getTextButtonFont (juce::TextButton&, int buttonHeight)
{
    return widgetFont (juce::jmin (15.0f, (float) buttonHeight * 0.6f));
}
