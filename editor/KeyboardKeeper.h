#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

/** Keeps the keyboard where a click in the editor's window left it.

    Inside a host's window on a desktop, the window manager first gives the X
    focus to the host's window when the editor is clicked: the framework's
    window loses it and remembers which component had the keyboard. The click
    then gives the keyboard (and with it the X focus) to a component, or opens
    a box or a field that takes it; once the framework hears that the X focus
    came back, it hands the keyboard to the component it remembered without
    telling the one that had it, and typed keys go there. This notices that
    hand-back and gives the keyboard back to where the click left it.
*/
class KeyboardKeeper : private juce::MouseListener,
                       private juce::FocusChangeListener
{
public:
    /** Watches the clicks in the window's component and its children. */
    explicit KeyboardKeeper (juce::Component& window);
    ~KeyboardKeeper() override;

    /** To be called from the window's focusOfChildComponentChanged. */
    void windowFocusChanged();

private:
    void mouseDown (const juce::MouseEvent&) override     { rememberFocus(); }
    void mouseUp (const juce::MouseEvent&) override       { rememberFocus(); }
    void globalFocusChanged (juce::Component* focused) override;
    void rememberFocus();

    juce::Component& window;

    /** From the window's loss of the X focus until the hand-back. */
    bool awaitingHandBack = false;
    juce::Component::SafePointer<juce::Component> clicked;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (KeyboardKeeper)
};
