// The browser's real boxes on a screen: OK answers true, and a box whose
// owner went is closed without answering.
#include <gtest/gtest.h>

#include "BrowserDialogs.h"
#include "XDisplay.h"

namespace
{
    juce::Button* buttonNamed (juce::Component& root, const juce::String& text)
    {
        for (auto* child : root.getChildren())
            if (auto* b = dynamic_cast<juce::Button*> (child); b != nullptr && b->getButtonText() == text)
                return b;

        return nullptr;
    }

    template <typename Condition>
    bool pumpUntil (Condition condition)
    {
        for (int i = 0; i < 100 && ! condition(); ++i)
            juce::MessageManager::getInstance()->runDispatchLoopUntil (10);

        return condition();
    }
}

TEST (BrowserDialogs, ConfirmAnswersOkAndClosesWithItsOwner)
{
    ASSERT_NE (WindowTest::display(), nullptr);
    juce::ScopedJuceInitialiser_GUI gui;
    auto* modal = juce::ModalComponentManager::getInstance();

    auto dialogs = std::make_unique<BrowserDialogs>();
    std::vector<bool> answers;
    dialogs->confirm ("Remove bank Keys", "Do you really want to remove this bank?\nThis cannot be undone.", nullptr,
                      [&] (bool ok) { answers.push_back (ok); });

    auto* box = dynamic_cast<juce::AlertWindow*> (modal->getModalComponent (0));
    ASSERT_NE (box, nullptr);
    EXPECT_TRUE (box->isOnDesktop() && box->getName() == "Remove bank Keys");
    ASSERT_NE (buttonNamed (*box, "Cancel"), nullptr);
    buttonNamed (*box, "OK")->triggerClick();
    EXPECT_TRUE (pumpUntil ([&] { return answers.size() == 1 && modal->getNumModalComponents() == 0; }));
    EXPECT_TRUE (answers[0]);

    dialogs->confirm ("Remove preset Pad", "?", nullptr, [&] (bool ok) { answers.push_back (ok); });
    juce::Component::SafePointer<juce::Component> second (modal->getModalComponent (0));
    ASSERT_NE (second, nullptr);
    dialogs.reset();
    EXPECT_EQ (second, nullptr);
    pumpUntil ([&] { return modal->getNumModalComponents() == 0; });
    EXPECT_EQ (answers.size(), 1u);
}
