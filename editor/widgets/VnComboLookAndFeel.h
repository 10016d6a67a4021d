#pragma once

#include "KorvixLookAndFeel.h"

/** The combo box's popup: the editor's call-out box, its rows as the
    browser's (the current option marked with the accent), no table header. */
class VnComboLookAndFeel : public KorvixLookAndFeel
{
public:
    VnComboLookAndFeel();

    void drawButtonBackground (juce::Graphics&, juce::Button&, const juce::Colour&, bool isMouseOverButton, bool isButtonDown) override;
    void drawTableHeaderBackground (juce::Graphics&, juce::TableHeaderComponent&) override {}
    void drawTableHeaderColumn (juce::Graphics&, juce::TableHeaderComponent&, const juce::String&, int, int, int,
                                bool, bool, int) override {}
    juce::Font getTextButtonFont (juce::TextButton&, int buttonHeight) override;

private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (VnComboLookAndFeel)
};
