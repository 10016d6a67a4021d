#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

/** A text field of the browser that keeps the keyboard a click or the code
    gave it.

    Inside a host's window on a desktop, the window manager first gives the X
    focus to the host's window when it is clicked: the framework's window
    loses it and remembers which component had the keyboard. Should this field
    then take the keyboard (and with it the X focus), the framework, once it
    hears that the X focus came back, hands the keyboard to the component it
    remembered without telling this field, and typed letters go there. The
    field notices that and takes the keyboard back.
*/
class BrowserTextEditor : public juce::TextEditor,
                          private juce::FocusChangeListener
{
public:
    using juce::TextEditor::TextEditor;
    ~BrowserTextEditor() override;

    void focusGained (FocusChangeType cause) override;
    void focusLost (FocusChangeType cause) override;

private:
    void globalFocusChanged (juce::Component* focused) override;
    void stopWatching();

    /** Between this field's focus gain and its focus loss. */
    bool watching = false;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (BrowserTextEditor)
};
