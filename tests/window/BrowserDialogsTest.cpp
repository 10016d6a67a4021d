// The browser's real boxes on a screen: OK answers true, and a box whose
// owner went is closed without answering.
#include <gtest/gtest.h>

#include "BrowserDialogs.h"
#include "XDisplay.h"

TEST (BrowserDialogs, ConfirmAnswersOkAndClosesWithItsOwner)
{
    ASSERT_NE (WindowTest::display(), nullptr);
    juce::ScopedJuceInitialiser_GUI gui;
    auto* modal = juce::ModalComponentManager::getInstance();
    const auto pumpUntilNoBox = [modal]
    {
        for (int i = 0; i < 100 && modal->getNumModalComponents() > 0; ++i)
            juce::MessageManager::getInstance()->runDispatchLoopUntil (10);
    };

    auto dialogs = std::make_unique<BrowserDialogs>();
    std::vector<bool> answers;
    dialogs->confirm ("Remove bank Keys", "Do you really want to remove this bank?\nThis cannot be undone.", nullptr,
                      [&] (bool ok) { answers.push_back (ok); });

    auto* box = dynamic_cast<juce::AlertWindow*> (modal->getModalComponent (0));
    ASSERT_TRUE (box != nullptr && box->isOnDesktop() && box->getName() == "Remove bank Keys");
    juce::StringArray buttons;
    for (auto* child : box->getChildren())
        if (auto* b = dynamic_cast<juce::Button*> (child))
            buttons.add (b->getButtonText());
    ASSERT_TRUE (buttons.contains ("OK") && buttons.contains ("Cancel"));
    for (auto* child : box->getChildren())
        if (auto* b = dynamic_cast<juce::Button*> (child); b != nullptr && b->getButtonText() == "OK")
            b->triggerClick();
    pumpUntilNoBox();
    EXPECT_EQ (answers, std::vector<bool> { true });

    // The owner goes with the box open: closed, never answered.
    dialogs->confirm ("Remove preset Pad", "?", nullptr, [&] (bool ok) { answers.push_back (ok); });
    juce::Component::SafePointer<juce::Component> second (modal->getModalComponent (0));
    ASSERT_NE (second, nullptr);
    dialogs.reset();
    EXPECT_EQ (second, nullptr);
    pumpUntilNoBox();
    EXPECT_EQ (answers.size(), 1u);
}
