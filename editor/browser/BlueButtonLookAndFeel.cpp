#include "BlueButtonLookAndFeel.h"

BlueButtonLookAndFeel::BlueButtonLookAndFeel() = default;

juce::Font BlueButtonLookAndFeel::getTextButtonFont (juce::TextButton&, int)
{
    return juce::Font (15.0f).boldened();
}
