#include "CallOutPopup.h"

/** Takes every click outside the box and closes the box with it. */
struct CallOutPopup::Catcher : public juce::Component
{
    explicit Catcher (CallOutPopup& o) : owner (o)      { setInterceptsMouseClicks (true, false); }

    void mouseDown (const juce::MouseEvent&) override    { owner.dismiss(); }

    CallOutPopup& owner;
};

CallOutPopup::CallOutPopup() = default;

CallOutPopup::~CallOutPopup()
{
    deleteBox();
}

juce::CallOutBox& CallOutPopup::show (std::unique_ptr<juce::Component> newContent, juce::Rectangle<int> area,
                                      juce::Component& window)
{
    deleteBox();

    catcher = std::make_unique<Catcher> (*this);
    catcher->setBounds (window.getLocalBounds());
    catcher->setAlwaysOnTop (true);
    window.addAndMakeVisible (*catcher);

    content = std::move (newContent);
    box = std::make_unique<juce::CallOutBox> (*content, area, &window);
    box->setAlwaysOnTop (true);
    box->addComponentListener (this);
    box->grabKeyboardFocus();
    return *box;
}

void CallOutPopup::dismiss()
{
    if (box != nullptr)
        box->setVisible (false);
}

juce::CallOutBox* CallOutPopup::getBox() const noexcept
{
    return box != nullptr && box->isVisible() ? box.get() : nullptr;
}

void CallOutPopup::componentVisibilityChanged (juce::Component& component)
{
    // The box's own dismiss (Escape) hides it too.
    if (&component == box.get() && ! box->isVisible())
    {
        if (catcher != nullptr)
            catcher->setVisible (false);

        triggerAsyncUpdate();
    }
}

void CallOutPopup::handleAsyncUpdate()
{
    if (box != nullptr && ! box->isVisible())
        deleteBox();
}

void CallOutPopup::deleteBox()
{
    cancelPendingUpdate();

    if (box != nullptr)
        box->removeComponentListener (this);

    box.reset();
    content.reset();
    catcher.reset();
}
