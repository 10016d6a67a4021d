#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

#include <functional>
#include <optional>

/** The flat row button of the browser's lists and of the menu: bold light
    text on the panel's colour, an optional second text right-aligned beside
    it; lighter under the mouse, and marked with the accent when toggled on
    (the current bank or preset).

    Its colours are fixed: painting sets them on the button, whatever the owner
    set before.
*/
class BlackBankButton : public juce::TextButton
{
public:
    BlackBankButton (const juce::String& text, const juce::String& tooltip, const juce::String& rightText);
    ~BlackBankButton() override;

    /** Called on a click with the toggle state and the position of the mouse
        event that made the click, relative to the button; a click without one
        (keyboard, triggerClick) reports (-1, -1). */
    std::function<void (bool toggleState, int x, int y)> clickCallback;

    void setRightText (const juce::String& text);
    const juce::String& getRightText() const noexcept       { return rightText; }


protected:
    void clicked() override;
    void mouseUp (const juce::MouseEvent& e) override;
    void paintButton (juce::Graphics& g, bool isMouseOverButton, bool isButtonDown) override;

private:
    juce::String rightText;
    std::optional<juce::Point<int>> clickPosition;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (BlackBankButton)
};
