#pragma once

#include "RectangleButtonLookAndFeel.h"

/** The browser's header and footer buttons: bold 15 text, left-aligned; it
    also draws table headers as nothing. */
class BlueButtonLookAndFeel : public RectangleButtonLookAndFeel
{
public:
    BlueButtonLookAndFeel();

    juce::Font getTextButtonFont (juce::TextButton& button, int buttonHeight) override;

    void drawTableHeaderBackground (juce::Graphics&, juce::TableHeaderComponent&) override {}
    void drawTableHeaderColumn (juce::Graphics&, juce::TableHeaderComponent&, const juce::String&, int, int, int,
                                bool, bool, int) override {}

private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (BlueButtonLookAndFeel)
};
