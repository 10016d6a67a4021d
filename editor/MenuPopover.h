#pragma once

#include "BlackBankButton.h"
#include "KorvixLookAndFeel.h"
#include "VorlanCommon.h"

#include <array>
#include <functional>

/** The editor's menu: one dark row per command, each with its name and its
    shortcut, shown in a call-out box. A click reports the row's command
    through the callback; the box stays open until a click outside it.
*/
class MenuPopover : public juce::Component,
                    public juce::Button::Listener
{
public:
    struct MenuItem
    {
        juce::String label;
        VorlanCommon::Action action;
        juce::KeyPress key;
        juce::String shortcut;
    };

    /** The rows, in order: Init, Randomize, Help. */
    static const std::array<MenuItem, 3>& getMenuItems();

    MenuPopover();
    ~MenuPopover() override;

    /** Called with the command of a clicked row; empty: clicks do nothing. */
    std::function<void (VorlanCommon::Action)> callback;

    /** The box showing the popover (not owned). */
    void setCallOutBox (juce::CallOutBox* box)              { callOutBox = box; }
    juce::CallOutBox* getCallOutBox() const noexcept        { return callOutBox.getComponent(); }

    void buttonClicked (juce::Button* button) override;

    const juce::OwnedArray<BlackBankButton>& getButtons() const noexcept   { return buttons; }

private:
    void buildItems();

    KorvixLookAndFeel lookAndFeel;
    juce::OwnedArray<BlackBankButton> buttons;
    juce::Component::SafePointer<juce::CallOutBox> callOutBox;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (MenuPopover)
};
