#pragma once

#include "KorvixLookAndFeel.h"

#include <functional>
#include <memory>

/** The browser's questions to the user: an OK/Cancel box and the choice of a
    bank file to import.

    Both return at once and answer later through their callback, which never
    runs when the box is cancelled (the chooser) or when this object went first:
    its destructor closes what it opened. Callers therefore hold safe pointers
    and find their banks again by name when the answer comes. Tests derive from
    it to answer without a window.
*/
class BrowserDialogs
{
public:
    BrowserDialogs();
    virtual ~BrowserDialogs();

    /** A warning box with OK and Cancel; onResult gets true for OK. It is
        centred on the window that holds associatedComponent. */
    virtual void confirm (const juce::String& title, const juce::String& message,
                          juce::Component* associatedComponent, std::function<void (bool ok)> onResult);

    /** A box that tells something, with an OK button only. */
    virtual void inform (const juce::String& title, const juce::String& message, juce::Component* associatedComponent);

    /** A file chooser for one existing file, centred on the window that
        holds associatedComponent; onChosen runs only when one was picked. */
    virtual void chooseFile (const juce::String& title, const juce::File& folder, const juce::String& patterns,
                             juce::Component* associatedComponent, std::function<void (const juce::File&)> onChosen);

protected:
    /** The filter of the framework's chooser box; its browser's scanning
        thread calls it until the browser is gone. */
    virtual std::unique_ptr<juce::FileFilter> createChooserFilter (const juce::String& patterns);

private:
    void showBox (const juce::String& title, const juce::String& message, juce::Component* associatedComponent,
                  bool withCancel, std::function<void (bool ok)> onResult);

    /** The plug-in's window holding the component, when that is on the screen. */
    static juce::Component* windowOf (juce::Component* associatedComponent);

    /** Deletes the chooser box, then its browser, then the filter that the
        browser's thread may still be calling. */
    void closeChooserBox();

    // The boxes are windows of their own: they take the panel's look from
    // here, which outlives them.
    KorvixLookAndFeel lookAndFeel;

    std::shared_ptr<int> lifetime = std::make_shared<int> (0);

    std::unique_ptr<juce::FileFilter> chooserFilter;
    std::unique_ptr<juce::FileBrowserComponent> chooserBrowser;
    std::unique_ptr<juce::FileChooserDialogBox> chooserBox;
    juce::Array<juce::Component::SafePointer<juce::Component>> openBoxes;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (BrowserDialogs)
};
