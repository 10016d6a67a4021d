#include "BrowserDialogs.h"

#include "PanelPalette.h"
#include "WidgetFont.h"

BrowserDialogs::BrowserDialogs() = default;

BrowserDialogs::~BrowserDialogs()
{
    // A box outliving its page would answer into nothing: the open ones go
    // with it, unanswered.
    lifetime.reset();

    for (auto& box : openBoxes)
        delete box.getComponent();

    closeChooserBox();
}

void BrowserDialogs::confirm (const juce::String& title, const juce::String& message,
                              juce::Component* associatedComponent, std::function<void (bool)> onResult)
{
    showBox (title, message, associatedComponent, true, std::move (onResult));
}

void BrowserDialogs::inform (const juce::String& title, const juce::String& message, juce::Component* associatedComponent)
{
    showBox (title, message, associatedComponent, false, {});
}

void BrowserDialogs::showBox (const juce::String& title, const juce::String& message, juce::Component* associatedComponent,
                              bool withCancel, std::function<void (bool)> onResult)
{
    openBoxes.removeAllInstancesOf (nullptr);

    // Not modal: a host closing the window while a modal box shows makes the
    // framework keep the editor alive on the host's destroyed window.
    auto* box = new juce::AlertWindow (title, message, juce::MessageBoxIconType::WarningIcon, windowOf (associatedComponent));
    box->addButton (TRANS ("OK"), 1, juce::KeyPress (juce::KeyPress::returnKey));

    if (withCancel)
        box->addButton (TRANS ("Cancel"), 0, juce::KeyPress (juce::KeyPress::escapeKey));

    box->setLookAndFeel (&lookAndFeel);
    openBoxes.add (box);

    auto answer = std::make_shared<std::function<void (bool)>> (std::move (onResult));

    for (auto* child : box->getChildren())
    {
        if (auto* button = dynamic_cast<juce::Button*> (child))
        {
            // Escape answers a box with OK alone, as it closes the framework's.
            if (! withCancel)
                button->addShortcut (juce::KeyPress (juce::KeyPress::escapeKey));

            // The first button answers OK, the other Cancel; the box goes from
            // the message loop, as its button is still being clicked.
            button->onClick = [alive = std::weak_ptr<int> (lifetime), answer, ok = button->getCommandID() == 1,
                               self = juce::Component::SafePointer<juce::Component> (box)]
            {
                if (self == nullptr)
                    return;

                self->setVisible (false);
                juce::MessageManager::callAsync ([self] { delete self.getComponent(); });

                if (auto call = *answer; ! alive.expired() && call)
                    call (ok);
            };
        }
    }

    box->setAlwaysOnTop (true);
    box->setVisible (true);
    box->toFront (true);
}

juce::Component* BrowserDialogs::windowOf (juce::Component* associatedComponent)
{
    // The framework centres a box only on a component on the desktop; it
    // would otherwise go to the screen's centre.
    auto* window = associatedComponent != nullptr ? associatedComponent->getTopLevelComponent() : nullptr;
    return window != nullptr && window->isOnDesktop() ? window : nullptr;
}

void BrowserDialogs::chooseFile (const juce::String& title, const juce::File& folder, const juce::String& patterns,
                                 juce::Component* associatedComponent, std::function<void (const juce::File&)> onChosen)
{
    // The framework's chooser box without its modal state: a host closing the
    // window while a modal box shows makes the framework keep the editor
    // alive on the host's destroyed window. Not the system's chooser either,
    // another program's window that its window manager places: this one is
    // centred on the plug-in, as the other boxes are. Replacing it closes an
    // earlier one without its callback.
    const auto flags = juce::FileBrowserComponent::openMode | juce::FileBrowserComponent::canSelectFiles;
    closeChooserBox();
    chooserFilter = createChooserFilter (patterns);
    chooserBrowser = std::make_unique<juce::FileBrowserComponent> (flags, folder, chooserFilter.get(), nullptr);
    chooserBox = std::make_unique<juce::FileChooserDialogBox> (title, juce::String(), *chooserBrowser, false,
                                                               juce::Colour (PanelPalette::raised));
    chooserBox->setLookAndFeel (&lookAndFeel);

    auto answer = std::make_shared<std::function<void (const juce::File&)>> (std::move (onChosen));
    juce::Array<juce::Component*> pending { chooserBox.get() };

    // Its buttons answer here instead of ending a modal state; the box dies
    // with this object, so its clicks find this object alive.
    while (! pending.isEmpty())
    {
        auto* c = pending.removeAndReturn (pending.size() - 1);
        pending.addArray (c->getChildren());

        if (auto* field = dynamic_cast<juce::TextEditor*> (c))
            field->applyFontToAllText (widgetFont (15.0f));

        if (auto* button = dynamic_cast<juce::TextButton*> (c))
        {
            const bool opens = button->getButtonText() == chooserBrowser->getActionVerb();

            if (opens || button->getButtonText() == TRANS ("Cancel"))
            {
                button->onClick = [this, answer, opens]
                {
                    const auto file = chooserBrowser->getSelectedFile (0);

                    if (opens && ! chooserBrowser->currentFileIsValid())
                        return;

                    chooserBox->setVisible (false);

                    if (auto call = *answer; opens && call)
                        call (file);
                };
            }
        }
    }

    // The framework's size (600 x 500), within the window when that is smaller.
    if (auto* window = windowOf (associatedComponent))
        chooserBox->centreAroundComponent (window, juce::jmin (600, window->getWidth()), juce::jmin (500, window->getHeight()));
    else
        chooserBox->centreWithDefaultSize (nullptr);

    chooserBox->setAlwaysOnTop (true);
    chooserBox->setVisible (true);
    chooserBox->toFront (true);
}

std::unique_ptr<juce::FileFilter> BrowserDialogs::createChooserFilter (const juce::String& patterns)
{
    return std::make_unique<juce::WildcardFileFilter> (patterns, juce::String(), juce::String());
}

void BrowserDialogs::closeChooserBox()
{
    // The browser's destructor stops its scanning thread, which reads the filter.
    chooserBox.reset();
    chooserBrowser.reset();
    chooserFilter.reset();
}
