#include "MenuPopover.h"

#include <gtest/gtest.h>

TEST (MenuPopover, RowsReportTheirCommandsAndThePopoverStays)
{
    MenuPopover menu;
    EXPECT_EQ (menu.getBounds(), juce::Rectangle<int> (0, 0, 200, 240));

    const auto& rows = menu.getButtons();
    ASSERT_EQ (rows.size(), 3);

    juce::StringArray texts;
    for (int r = 0; r < 3; ++r)
    {
        texts.add (rows[r]->getButtonText() + " " + rows[r]->getRightText());
        EXPECT_EQ (rows[r]->getBounds(), juce::Rectangle<int> (0, 30 * r, 200, 31));
        EXPECT_TRUE (rows[r]->isVisible() && rows[r]->getParentComponent() == &menu);
    }

    EXPECT_EQ (texts, juce::StringArray ("Init ^I", "Randomize ^R", "Help ^?"));
    EXPECT_EQ (MenuPopover::getMenuItems()[1].key, juce::KeyPress ('r', juce::ModifierKeys::ctrlModifier, 0));

    // No callback: clicks do nothing.
    rows[0]->triggerClick();
    juce::MessageManager::getInstance()->runDispatchLoopUntil (20);

    std::vector<VorlanCommon::Action> actions;
    menu.callback = [&] (VorlanCommon::Action a) { actions.push_back (a); };

    for (int r : { 1, 1, 2, 0 })
        rows[r]->triggerClick();

    juce::MessageManager::getInstance()->runDispatchLoopUntil (50);
    EXPECT_EQ (actions, (std::vector<VorlanCommon::Action> { VorlanCommon::Randomize, VorlanCommon::Randomize,
                                                             VorlanCommon::Help, VorlanCommon::Init }));
    EXPECT_TRUE (rows[0]->isShowing() || rows[0]->getParentComponent() == &menu);
}
