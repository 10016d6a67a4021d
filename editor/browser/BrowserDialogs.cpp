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

    // Centred on the plug-in's window, which the framework finds only for a
    // component on the desktop (the box would go to the screen's centre).
    auto* window = associatedComponent != nullptr ? associatedComponent->getTopLevelComponent() : nullptr;

    if (window != nullptr && ! window->isOnDesktop())
        window = nullptr;

    // Not modal: a host closing the window while a modal box shows makes the
    // framework keep the editor alive on the host's destroyed window.
    auto* box = new juce::AlertWindow (title, message, juce::MessageBoxIconType::WarningIcon, window);
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

void BrowserDialogs::chooseFile (const juce::String& title, const juce::File& folder, const juce::String& patterns,
                                 std::function<void (const juce::File&)> onChosen)
{
    // Replacing the chooser closes an earlier one without its callback.
    chooser.reset();
    closeChooserBox();

    if (! juce::FileChooser::isPlatformDialogAvailable())
    {
        showChooserBox (title, folder, patterns, std::move (onChosen));
        return;
    }

    chooser = std::make_unique<juce::FileChooser> (title, folder, patterns);
    chooser->launchAsync (juce::FileBrowserComponent::openMode | juce::FileBrowserComponent::canSelectFiles,
                          [onChosen = std::move (onChosen)] (const juce::FileChooser& fc)
                          {
                              const auto file = fc.getResult();

                              if (file != juce::File() && onChosen)
                                  onChosen (file);
                          });
}

void BrowserDialogs::showChooserBox (const juce::String& title, const juce::File& folder, const juce::String& patterns,
                                     std::function<void (const juce::File&)> onChosen)
{
    // The framework's own chooser box is modal: a host closing the window
    // while it shows makes the framework keep the editor alive on the host's
    // destroyed window. This one shows the same box without a modal state.
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
