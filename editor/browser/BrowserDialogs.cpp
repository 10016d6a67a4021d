#include "BrowserDialogs.h"

#include "KorvixLookAndFeel.h"

BrowserDialogs::BrowserDialogs() = default;

BrowserDialogs::~BrowserDialogs()
{
    // A box outliving its page would answer into nothing. The framework still
    // cancels a deleted box from the message loop: the expired lifetime then
    // keeps that answer from the caller.
    lifetime.reset();

    for (auto& box : openBoxes)
        delete box.getComponent();
}

void BrowserDialogs::confirm (const juce::String& title, const juce::String& message,
                              juce::Component* associatedComponent, std::function<void (bool)> onResult)
{
    openBoxes.removeAllInstancesOf (nullptr);

    auto* modalManager = juce::ModalComponentManager::getInstance();
    const auto before = modalManager->getNumModalComponents();

    juce::AlertWindow::showAsync (juce::MessageBoxOptions()
                                      .withIconType (juce::MessageBoxIconType::WarningIcon)
                                      .withTitle (title)
                                      .withMessage (message)
                                      .withButton (TRANS ("OK"))
                                      .withButton (TRANS ("Cancel"))
                                      .withAssociatedComponent (associatedComponent),
                                  [alive = std::weak_ptr<int> (lifetime), onResult = std::move (onResult)] (int result)
                                  {
                                      // The first button answers 1, the second and a closed box 0.
                                      if (! alive.expired() && onResult)
                                          onResult (result == 1);
                                  });

    if (modalManager->getNumModalComponents() > before)
    {
        auto* box = modalManager->getModalComponent (0);
        openBoxes.add (box);

        if (auto* alert = dynamic_cast<juce::AlertWindow*> (box))
            KorvixLookAndFeel::colourAlertWindow (*alert);
    }
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
