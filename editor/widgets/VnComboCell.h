#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

class VnCombo;

/** One option of the combo box's popup list: its name in the panel's
    colours, the current option's in the accent. */
class VnComboCell : public juce::TextButton
{
public:
    VnComboCell (int row, int column, int optionIndex, const juce::String& text, VnCombo* owner);

    /** Points a recycled cell at another option. */
    void setOption (int row, int column, int optionIndex, const juce::String& text);

    int getOptionIndex() const noexcept         { return optionIndex; }

protected:
    void clicked() override;

private:
    int row = 0;
    int column = 1;
    int optionIndex = 0;
    juce::Component::SafePointer<juce::Component> owner;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (VnComboCell)
};
