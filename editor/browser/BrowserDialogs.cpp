#include "BrowserDialogs.h"

#include "KorvixLookAndFeel.h"

BrowserDialogs::BrowserDialogs() = default;

BrowserDialogs::~BrowserDialogs()
{
    // A box outliving its page would answer into nothing: the open ones go
    // with it, unanswered.
    lifetime.reset();

    for (auto& box : openBoxes)
        delete box.getComponent();
}

void BrowserDialogs::confirm (const juce::String& title, const juce::String& message,
                              juce::Component* associatedComponent, std::function<void (bool)> onResult)
{
    openBoxes.removeAllInstancesOf (nullptr);

    // Not modal: a host closing the window while a modal box shows makes the
    // framework keep the editor alive on the host's destroyed window.
    auto* box = new juce::AlertWindow (title, message, juce::MessageBoxIconType::WarningIcon, associatedComponent);
    box->addButton (TRANS ("OK"), 1, juce::KeyPress (juce::KeyPress::returnKey));
    box->addButton (TRANS ("Cancel"), 0, juce::KeyPress (juce::KeyPress::escapeKey));
    KorvixLookAndFeel::colourAlertWindow (*box);
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
    chooser = std::make_unique<juce::FileChooser> (title, folder, patterns);
    chooser->launchAsync (juce::FileBrowserComponent::openMode | juce::FileBrowserComponent::canSelectFiles,
                          [onChosen = std::move (onChosen)] (const juce::FileChooser& fc)
                          {
                              const auto file = fc.getResult();

                              if (file != juce::File() && onChosen)
                                  onChosen (file);
                          });
}
