// The pop-ups in the panel's colours: rows with readable text, the current
// row marked, hover unlike the current row; the combo box and its list.
#include "ContrastSupport.h"
#include "DeleteButton.h"
#include "EditorTestSupport.h"
#include "KorvixLookAndFeel.h"
#include "QmParameter.h"
#include "QmProcessContext.h"
#include "VnCombo.h"
#include "VnComboCell.h"

#include <array>

namespace
{
    using Contrast::ratio;

    /** The row at rest, under the mouse and as the current row. */
    std::array<juce::Image, 3> rowStates (juce::Button& row)
    {
        std::array<juce::Image, 3> states;
        for (size_t k = 0; k < states.size(); ++k)
        {
            row.setState (k == 1 ? juce::Button::buttonOver : juce::Button::buttonNormal);
            row.setToggleState (k == 2, juce::dontSendNotification);
            states[k] = EditorTest::paint (row);
        }
        row.setToggleState (false, juce::dontSendNotification);
        return states;
    }

    void expectRowsReadAndMark (const std::array<juce::Image, 3>& states, const char* what)
    {
        const auto background = [] (const juce::Image& i)   { return i.getPixelAt (i.getWidth() - 2, 1); };
        const auto marker = [] (const juce::Image& i)       { return i.getPixelAt (1, i.getHeight() / 2); };
        const char* names[] = { "rest", "hover", "current" };

        for (size_t k = 0; k < states.size(); ++k)
        {
            const auto& image = states[k];
            EXPECT_TRUE (Contrast::isCharcoal (background (image)))
                << what << " " << names[k] << " " << background (image).toDisplayString (true);
            EXPECT_GE (Contrast::ink (image, image.getBounds().withTrimmedLeft (4), background (image)), 4.5) << what << " " << names[k];
        }

        const auto& [rest, hover, current] = states;
        EXPECT_GE (ratio (marker (current), marker (rest)), 3.0) << what;
        EXPECT_NE (std::pair (marker (hover).getARGB(), background (hover).getARGB()),
                   std::pair (marker (current).getARGB(), background (current).getARGB())) << what;
        EXPECT_NE (background (hover).getARGB(), background (rest).getARGB()) << what;
    }
}

TEST (PopupPalette, RowsReadOnThePanelMarkTheCurrentOneAndHoverApartEveryTextIsInThePanelsFontFamilyAndTheComboListsItsOptions)
{
    // The menu's and the browser's rows, with the delete glyph of remove mode.
    BlackBankButton row ("Bass", "", "^I");
    row.setBounds (0, 0, 200, 22);
    expectRowsReadAndMark (rowStates (row), "browser row");

    DeleteButton glyph (juce::CharPointer_UTF8 ("\xc3\x97"), "remove");
    glyph.setBounds (160, 0, 40, 22);
    row.addAndMakeVisible (glyph);
    const auto withGlyph = EditorTest::paint (row);
    EXPECT_GE (Contrast::ink (withGlyph, glyph.getBounds().withTrimmedLeft (20), withGlyph.getPixelAt (199, 1)), 4.5);

    // Boxes, lists and labels draw in the panel's font family.
    KorvixLookAndFeel lookAndFeel;
    juce::Label label ("title", "Banks");
    label.setFont (juce::Font (16.0f, juce::Font::bold));
    juce::TextButton button ("OK");
    juce::ComboBox path;
    const auto header = lookAndFeel.createFileChooserHeaderText ("Please select the bank", "");

    const std::pair<const char*, juce::Font> fonts[] = {
        { "message title", lookAndFeel.getAlertWindowTitleFont() },
        { "message", lookAndFeel.getAlertWindowMessageFont() },
        { "message fields", lookAndFeel.getAlertWindowFont() },
        { "label", lookAndFeel.getLabelFont (label) },
        { "button", lookAndFeel.getTextButtonFont (button, 24) },
        { "path box", lookAndFeel.getComboBoxFont (path) },
        { "menu", lookAndFeel.getPopupMenuFont() },
        { "chooser title", header.getAttribute (0).font },
    };
    for (auto& [what, font] : fonts)
        EXPECT_EQ (font.getTypefaceName(), "DejaVu Sans") << what;
    EXPECT_TRUE (lookAndFeel.getLabelFont (label).isBold());

    // The combo box lists every option on the panel's colours, chooses one and shows automation when closed.
    /** Counts the repaints a component asks for. */
    struct RepaintCounter : juce::CachedComponentImage
    {
        void paint (juce::Graphics&) override {}
        bool invalidateAll() override                           { ++repaints; return true; }
        bool invalidate (const juce::Rectangle<int>&) override  { ++repaints; return true; }
        void releaseResources() override {}
        int repaints = 0;
    };

    QmProcessContext context;
    QmParameter type { "Type", 1, { "LP", "HP", "BP", "Notch" }, &context };
    const auto element = EditorTest::skinElement ("<g id=\"combo_3\"><rect x=\"50\" y=\"300\" width=\"100\" height=\"25\" fill=\"#333333\"/>"
                                                  "<rect id=\"cell\" x=\"50\" y=\"300\" width=\"80\" height=\"20\" fill=\"#444444\"/></g>", "combo_3");
    juce::Component parent;
    auto combo = std::make_unique<VnCombo> (&type, *element);
    combo->setBounds (element->getBounds());
    parent.addAndMakeVisible (*combo);
    EditorTest::click (*combo);

    auto* list = combo->getPopupList();
    ASSERT_NE (list, nullptr);
    juce::StringArray texts;
    for (int row = 0; row < 4; ++row)
        if (auto* cell = dynamic_cast<VnComboCell*> (list->getCellComponent (1, row)))
            texts.add (cell->getButtonText() + (cell->getToggleState() ? "*" : ""));
    EXPECT_EQ (texts, juce::StringArray ("LP", "HP*", "BP", "Notch"));

    // The box is the skin's charcoal panel; the current option's text is in the accent.
    const auto count = [] (const juce::Image& image, std::function<bool (juce::Colour)> matches)
    {
        int n = 0;
        for (int y = 0; y < image.getHeight(); ++y)
            for (int x = 0; x < image.getWidth(); ++x)
                n += matches (image.getPixelAt (x, y)) ? 1 : 0;
        return n;
    };
    const auto hasAccent = [&count] (const juce::Image& cell)
        { return count (cell, [] (auto c) { return c.getRed() > 0xc0 && c.getGreen() > 0x60 && c.getBlue() < 0x80; }) > 0; };
    auto* box = combo->getPopup();
    ASSERT_NE (box, nullptr);
    const auto boxImage = EditorTest::paint (*box);
    EXPECT_EQ (EditorTest::pixel (boxImage, list->getX() - 2, list->getBounds().getCentreY()), 0xff2a2c30u);
    EXPECT_EQ (std::pair (hasAccent (EditorTest::paint (*list->getCellComponent (1, 1))), hasAccent (EditorTest::paint (*list->getCellComponent (1, 0)))),
               std::pair (true, false));
    EXPECT_TRUE (Contrast::isCharcoal (list->findColour (juce::ListBox::backgroundColourId)));
    expectRowsReadAndMark (rowStates (dynamic_cast<juce::Button&> (*list->getCellComponent (1, 0))), "combo row");

    EditorTest::click (*dynamic_cast<juce::Button*> (list->getCellComponent (1, 2)));
    EXPECT_EQ (std::pair (type.value.load(), combo->getPopup()), std::pair (2.0f / 3.0f, (juce::CallOutBox*) nullptr));

    // Automation repaints the closed combo, which shows the text on its cell.
    auto* counter = new RepaintCounter();
    combo->setCachedComponentImage (counter);
    counter->repaints = 0;      // installing it counts one
    type.setValue (1.0f);
    combo->deliverPendingUpdate();
    EXPECT_GT (counter->repaints, 0);
    combo->setCachedComponentImage (nullptr);

    const auto image = EditorTest::paint (*combo);
    EXPECT_GT (count (image, [] (auto c) { return c.getBrightness() > 0.8f; }), 10);
    EXPECT_EQ (EditorTest::pixel (image, 90, 22), 0xff333333u);

    // Deleted with its list open: the list no longer calls it.
    EditorTest::click (*combo);
    const juce::Component::SafePointer<juce::TableListBox> open (combo->getPopupList());
    combo.reset();
    EXPECT_TRUE (open == nullptr || open->getModel() == nullptr);
}

