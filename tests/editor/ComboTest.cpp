#include "QmParameter.h"
#include "QmProcessContext.h"
#include "TestSkin.h"
#include "VnCombo.h"
#include "VnComboCell.h"

namespace
{
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

    struct Combo : ::testing::Test
    {
        std::unique_ptr<VnCombo> open (QmParameter& p, const juce::String& svg)
        {
            element = skinElement (svg, "combo_3");
            auto combo = std::make_unique<VnCombo> (&p, *element);
            combo->setBounds (element->getBounds());
            parent.addAndMakeVisible (*combo);
            combo->triggerClick();
            runMessages();
            return combo;
        }

        QmProcessContext context;
        QmParameter type { "Type", 0, { "LP", "HP", "BP", "Notch" }, &context };
        std::unique_ptr<juce::Drawable> element;
        juce::Component parent;
    };
}

TEST_F (Combo, ThePopupListsEveryOptionAndARowChoosesIt)
{
    type.setValue (1.0f / 3.0f);
    auto combo = open (type, "<g id=\"combo_3\"><rect x=\"50\" y=\"300\" width=\"100\" height=\"25\" fill=\"#333333\"/>"
                             "<rect id=\"cell\" x=\"50\" y=\"300\" width=\"80\" height=\"20\" fill=\"#444444\"/></g>");
    auto* list = combo->getPopupList();
    ASSERT_NE (list, nullptr);
    EXPECT_EQ (std::tuple (list->getWidth(), list->getHeight(), list->getRowHeight()), std::tuple (100, 90, 20));

    juce::StringArray texts;
    for (int row = 0; row < 4; ++row)
        if (auto* cell = dynamic_cast<VnComboCell*> (list->getCellComponent (1, row)))
            texts.add (cell->getButtonText() + (cell->getToggleState() ? "*" : ""));
    EXPECT_EQ (texts, juce::StringArray ("LP", "HP*", "BP", "Notch"));

    dynamic_cast<juce::Button*> (list->getCellComponent (1, 2))->triggerClick();
    runMessages();
    EXPECT_EQ (std::pair (type.value.load(), combo->getPopup()), std::pair (2.0f / 3.0f, (juce::CallOutBox*) nullptr));

    // Automation repaints the closed combo, which shows the text on its cell.
    auto* counter = new RepaintCounter();
    combo->setCachedComponentImage (counter);
    type.setValue (1.0f);
    combo->deliverPendingUpdate();
    EXPECT_GT (counter->repaints, 0);
    combo->setCachedComponentImage (nullptr);

    const auto image = EditorTest::paint (*combo);
    int white = 0;
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 80; ++x)
            white += image.getPixelAt (x, y).getBrightness() > 0.8f ? 1 : 0;
    EXPECT_GT (white, 10);
    EXPECT_EQ (EditorTest::pixel (image, 90, 22), 0xff333333);
}

TEST_F (Combo, WithoutACellRowsAre25HighAndADeletedComboLeavesItsListAlone)
{
    std::vector<std::string> names;
    for (int i = 0; i < 12; ++i)
        names.push_back ("Option " + std::to_string (i));

    QmParameter twelve ("Twelve", 0, names, &context);
    auto combo = open (twelve, "<path id=\"combo_3\" d=\"M 10 10 L 110 10 L 110 35 L 10 35 Z\" fill=\"#333333\"/>");
    const juce::Component::SafePointer<juce::TableListBox> list (combo->getPopupList());
    ASSERT_NE (list, nullptr);
    EXPECT_EQ (std::pair (list->getWidth(), list->getHeight()), std::pair (90, 237));

    // The editor closing with the list open.
    combo.reset();
    EXPECT_TRUE (list == nullptr || list->getModel() == nullptr);
    runMessages();
}
