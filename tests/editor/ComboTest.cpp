#include "QmParameter.h"
#include "QmProcessContext.h"
#include "TestSkin.h"
#include "VnCombo.h"
#include "VnComboCell.h"

#include <gtest/gtest.h>

namespace
{
    const juce::String comboWithCell = "<g id=\"combo_3\"><rect x=\"50\" y=\"300\" width=\"100\" height=\"25\" fill=\"#333333\"/>"
                                       "<rect id=\"cell\" x=\"50\" y=\"300\" width=\"80\" height=\"20\" fill=\"#444444\"/>"
                                       "<rect id=\"cell_selected\" x=\"50\" y=\"300\" width=\"80\" height=\"20\" fill=\"#555555\"/></g>";

    /** Counts the repaints a component asks for. */
    struct RepaintCounter : public juce::CachedComponentImage
    {
        void paint (juce::Graphics&) override {}
        bool invalidateAll() override                           { ++repaints; return true; }
        bool invalidate (const juce::Rectangle<int>&) override  { ++repaints; return true; }
        void releaseResources() override {}
        int repaints = 0;
    };

    void runMessages()   { juce::MessageManager::getInstance()->runDispatchLoopUntil (30); }
}

class Combo : public ::testing::Test
{
protected:
    Combo()
    {
        parent.setBounds (0, 0, 1000, 600);
        combo.setBounds (element->getBounds());
        parent.addAndMakeVisible (combo);
    }

    ~Combo() override
    {
        if (auto* box = combo.getPopup())
            box->dismiss();
        runMessages();
    }

    QmProcessContext context;
    QmParameter type { "Type", 0, { "LP", "HP", "BP", "Notch" }, &context };
    std::unique_ptr<juce::Drawable> element = skinElement (comboWithCell, "combo_3");
    juce::Component parent;
    VnCombo combo { &type, *element };
};

TEST_F (Combo, PopupListsEveryOptionAndARowChoosesIt)
{
    type.setValue (1.0f / 3.0f);
    combo.triggerClick();
    runMessages();

    auto* list = combo.getPopupList();
    ASSERT_NE (list, nullptr);
    EXPECT_EQ (std::tuple (list->getWidth(), list->getHeight(), list->getRowHeight(), combo.getNumRows()), std::tuple (100, 90, 20, 4));

    juce::StringArray texts;
    for (int row = 0; row < 4; ++row)
    {
        auto* cell = dynamic_cast<VnComboCell*> (list->getCellComponent (1, row));
        ASSERT_NE (cell, nullptr) << row;
        texts.add (cell->getButtonText() + (cell->getToggleState() ? "*" : ""));
    }
    EXPECT_EQ (texts, juce::StringArray ("LP", "HP*", "BP", "Notch"));

    dynamic_cast<juce::Button*> (list->getCellComponent (1, 2))->triggerClick();
    runMessages();
    EXPECT_FLOAT_EQ (type.value, 2.0f / 3.0f);
    EXPECT_EQ (combo.getPopup(), nullptr);
}

TEST_F (Combo, AutomationRepaintsTheClosedComboAndTheTextSitsOnTheCell)
{
    RepaintCounter* counter = new RepaintCounter();
    combo.setCachedComponentImage (counter);

    type.setValue (1.0f);
    combo.deliverPendingUpdate();
    EXPECT_GT (counter->repaints, 0);
    combo.setCachedComponentImage (nullptr);

    // White text on the cell's grey, the element's own grey below it.
    const auto image = EditorTest::paint (combo);
    int white = 0;
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 80; ++x)
            white += image.getPixelAt (x, y).getBrightness() > 0.8f ? 1 : 0;
    EXPECT_GT (white, 10);
    EXPECT_EQ (image.getPixelAt (90, 22).getARGB(), 0xff333333);
}

TEST_F (Combo, WithoutACellRowsAre25HighAndALongListScrolls)
{
    std::vector<std::string> names;
    for (int i = 0; i < 12; ++i)
        names.push_back ("Option " + std::to_string (i));

    QmParameter twelve ("Twelve", 0, names, &context);
    const auto plain = skinElement ("<path id=\"combo_9\" d=\"M 10 10 L 110 10 L 110 35 L 10 35 Z\" fill=\"#333333\"/>", "combo_9");
    auto long12 = std::make_unique<VnCombo> (&twelve, *plain);
    long12->setBounds (plain->getBounds());
    parent.addAndMakeVisible (*long12);

    long12->triggerClick();
    runMessages();
    const juce::Component::SafePointer<juce::TableListBox> list (long12->getPopupList());
    ASSERT_NE (list, nullptr);
    EXPECT_EQ (std::pair (list->getWidth(), list->getHeight()), std::pair (90, 237));

    // A combo deleted with its popup open (the editor closing) leaves a popup
    // that no longer calls it.
    long12.reset();
    EXPECT_TRUE (list == nullptr || list->getModel() == nullptr);
    runMessages();
}
