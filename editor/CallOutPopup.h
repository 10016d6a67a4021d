#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

#include <memory>

/** A call-out box that is not modal, with its content, owned here.

    The framework's launched boxes are modal, and a host closing the plug-in's
    window while one shows makes the framework keep the editor alive on the
    host's destroyed window. This box instead lies over a transparent catcher
    that covers the window it points into: a click anywhere else in that
    window closes it (and does nothing else), as does Escape or a dismiss.
    A closed box is deleted from the message loop, so the code that closed it
    may still be running inside it.
*/
class CallOutPopup : private juce::ComponentListener,
                     private juce::AsyncUpdater
{
public:
    CallOutPopup();
    ~CallOutPopup() override;

    /** Shows content in a box pointing at area (in the window's coordinates),
        deleting any box shown before. */
    juce::CallOutBox& show (std::unique_ptr<juce::Component> content, juce::Rectangle<int> area, juce::Component& window);

    /** Hides the box and deletes it from the message loop. */
    void dismiss();

    /** The box while it shows, else null. */
    juce::CallOutBox* getBox() const noexcept;

private:
    void componentVisibilityChanged (juce::Component& component) override;
    void handleAsyncUpdate() override;
    void deleteBox();

    struct Catcher;
    std::unique_ptr<Catcher> catcher;
    std::unique_ptr<juce::Component> content;
    std::unique_ptr<juce::CallOutBox> box;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (CallOutPopup)
};
