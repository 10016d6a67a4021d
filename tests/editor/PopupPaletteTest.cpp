// The pop-ups' rows in the panel's colours: readable text, the current row
// marked, hover unlike the current row.
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
        row.setState (juce::Button::buttonNormal);
        auto rest = EditorTest::paint (row);
        row.setState (juce::Button::buttonOver);
        auto hover = EditorTest::paint (row);
        row.setState (juce::Button::buttonNormal);
        row.setToggleState (true, juce::dontSendNotification);
        auto current = EditorTest::paint (row);
        row.setToggleState (false, juce::dontSendNotification);
        return { rest, hover, current };
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

TEST (PopupPalette, RowsOfTheMenuBrowserAndComboListReadOnThePanelMarkTheCurrentOneAndHoverApart)
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

    // The combo's list, open on its second option.
    QmProcessContext context;
    QmParameter type { "Type", 1, { "LP", "HP", "BP", "Notch" }, &context };
    const auto element = EditorTest::skinElement ("<g id=\"combo_3\"><rect x=\"50\" y=\"300\" width=\"100\" height=\"22\" fill=\"#333333\"/>"
                                                  "<rect id=\"cell\" x=\"50\" y=\"300\" width=\"100\" height=\"22\" fill=\"none\"/></g>", "combo_3");
    juce::Component parent;
    VnCombo combo (&type, *element);
    combo.setBounds (element->getBounds());
    parent.addAndMakeVisible (combo);
    EditorTest::click (combo);
    auto* list = combo.getPopupList();
    ASSERT_NE (list, nullptr);
    auto* cell = dynamic_cast<VnComboCell*> (list->getCellComponent (1, 0));
    ASSERT_NE (cell, nullptr);
    expectRowsReadAndMark (rowStates (*cell), "combo row");
    EXPECT_TRUE (Contrast::isCharcoal (list->findColour (juce::ListBox::backgroundColourId)));
}

TEST (PopupPalette, BoxesListsAndLabelsDrawInThePanelsFontFamily)
{
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
}
