#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

/** The text colour of a button's toggle state (textColourOnId or
    textColourOffId), at half alpha when the button is disabled. */
inline juce::Colour buttonTextColour (const juce::TextButton& button)
{
    return button.findColour (button.getToggleState() ? juce::TextButton::textColourOnId
                                                      : juce::TextButton::textColourOffId)
                 .withMultipliedAlpha (button.isEnabled() ? 1.0f : 0.5f);
}
