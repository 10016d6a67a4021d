#include "BlackBankButton.h"
#include "EditorTestSupport.h"
#include "BlueButtonLookAndFeel.h"
#include "DeleteButton.h"
#include "RightJustifiedButtonLookAndFeel.h"
#include "SearchBoxLookAndFeel.h"

#include <gtest/gtest.h>

namespace
{
    /** The darkest pixel's brightness in a column range: where text is drawn. */
    float darkest (const juce::Image& image, int x0, int x1)
    {
        float result = 1.0f;
        for (int y = 0; y < image.getHeight(); ++y)
            for (int x = x0; x < x1; ++x)
                result = juce::jmin (result, image.getPixelAt (x, y).getBrightness());
        return result;
    }

    /** The most opaque pixel's alpha in a column range: where text is drawn on nothing. */
    int ink (const juce::Image& image, int x0, int x1)
    {
        int result = 0;
        for (int y = 0; y < image.getHeight(); ++y)
            for (int x = x0; x < x1; ++x)
                result = juce::jmax (result, (int) image.getPixelAt (x, y).getAlpha());
        return result;
    }

    struct Row : public BlackBankButton
    {
        using BlackBankButton::BlackBankButton;
        using BlackBankButton::paintButton;
    };

    juce::Image paintRow (Row& row, bool over, bool down)
    {
        juce::Image image (juce::Image::ARGB, row.getWidth(), row.getHeight(), true);
        juce::Graphics g (image);
        row.paintButton (g, over, down);
        return image;
    }

    juce::MouseEvent mouseUpAt (juce::Component& c, int x, int y)
    {
        const juce::Point<float> p ((float) x, (float) y);
        return EditorTest::mouseEvent (c, p, p);
    }
}

TEST (BrowserButtons, RowButtonColoursTextAndRightText)
{
    Row row ("Init", "0", "^I");
    row.setBounds (0, 0, 200, 31);
    row.setColour (juce::TextButton::buttonColourId, juce::Colours::red);     // overridden by painting

    const auto rest = paintRow (row, false, false);
    EXPECT_EQ (rest.getPixelAt (1, 1).getARGB(), BlackBankButton::restColour);
    EXPECT_EQ (paintRow (row, true, false).getPixelAt (1, 1).getARGB(), BlackBankButton::highlightColour);
    EXPECT_EQ (paintRow (row, false, true).getPixelAt (1, 1).getARGB(), BlackBankButton::highlightColour);

    // A toggled row stays highlighted at rest.
    row.setToggleState (true, juce::dontSendNotification);
    EXPECT_EQ (paintRow (row, false, false).getPixelAt (1, 1).getARGB(), BlackBankButton::highlightColour);
    row.setToggleState (false, juce::dontSendNotification);

    // The name at the left, the shortcut at the right, nothing in between.
    EXPECT_LT (darkest (rest, 7, 40), 0.4f);
    EXPECT_LT (darkest (rest, 170, 193), 0.4f);
    EXPECT_GT (darkest (rest, 60, 150), 0.8f);

    // Disabled: half-alpha text.
    row.setEnabled (false);
    const auto disabled = darkest (paintRow (row, false, false), 7, 40);
    EXPECT_GT (disabled, 0.45f);
    EXPECT_LT (disabled, 0.75f);

    // The delete glyph is red on no background.
    DeleteButton glyph (juce::String (juce::CharPointer_UTF8 ("\xc3\x97")), "remove");
    glyph.setBounds (0, 0, 30, 22);
    const auto image = EditorTest::paint (glyph);
    EXPECT_EQ (image.getPixelAt (28, 1).getAlpha(), 0);
    bool red = false;
    for (int y = 0; y < 22; ++y)
        for (int x = 0; x < 30; ++x)
            red = red || (image.getPixelAt (x, y).getRed() > 200 && image.getPixelAt (x, y).getGreen() < 60);
    EXPECT_TRUE (red);
}

TEST (BrowserButtons, ClickReportsItsOwnMouseEventOrNone)
{
    BlackBankButton row ("bank", "bank", {});
    row.setBounds (0, 0, 330, 22);
    std::vector<std::tuple<bool, int, int>> clicks;
    row.clickCallback = [&] (bool on, int x, int y) { clicks.emplace_back (on, x, y); };

    row.setState (juce::Button::buttonDown);
    static_cast<juce::Component&> (row).mouseUp (mouseUpAt (row, 295, 11));

    // A click without a mouse event (keyboard, triggerClick) reports none.
    row.setToggleState (true, juce::dontSendNotification);
    row.triggerClick();
    juce::MessageManager::getInstance()->runDispatchLoopUntil (50);

    EXPECT_EQ (clicks, (std::vector<std::tuple<bool, int, int>> { { false, 295, 11 }, { true, -1, -1 } }));

    // A callback that deletes its button.
    auto doomed = std::make_unique<BlackBankButton> ("x", "x", "");
    doomed->setBounds (0, 0, 50, 20);
    doomed->clickCallback = [&doomed] (bool, int, int) { doomed.reset(); };
    doomed->setState (juce::Button::buttonDown);
    static_cast<juce::Component&> (*doomed).mouseUp (mouseUpAt (*doomed, 3, 3));
    EXPECT_EQ (doomed, nullptr);
}

TEST (BrowserButtons, LookAndFeelsPlaceTextAndDrawNoTableHeader)
{
    RightJustifiedButtonLookAndFeel right;
    BlueButtonLookAndFeel left;
    juce::TextButton button ("Done");
    button.setBounds (0, 0, 200, 30);
    button.setColour (juce::TextButton::buttonColourId, juce::Colours::transparentBlack);
    button.setColour (juce::TextButton::textColourOffId, juce::Colour (0xff30cc52));

    button.setLookAndFeel (&right);
    auto image = EditorTest::paint (button);
    EXPECT_GT (ink (image, 160, 200), 200);
    EXPECT_EQ (ink (image, 0, 120), 0);

    button.setLookAndFeel (&left);
    image = EditorTest::paint (button);
    EXPECT_GT (ink (image, 0, 40), 200);
    EXPECT_EQ (ink (image, 80, 200), 0);
    button.setLookAndFeel (nullptr);

    // The search box's caret is a solid bar.
    SearchBoxLookAndFeel search;
    juce::TextEditor editor;
    std::unique_ptr<juce::CaretComponent> caret (search.createCaretComponent (&editor));
    caret->setBounds (0, 0, 2, 16);
    EXPECT_EQ (EditorTest::paint (*caret).getPixelAt (1, 8).getARGB(), 0xffdfdfe9);
}
