#include "BlackBankButton.h"
#include "EditorTestSupport.h"

namespace
{
    /** The darkest pixel of a column range: where text is. */
    float ink (const juce::Image& image, int x0, int x1)
    {
        float result = 1.0f;
        for (int y = 0; y < image.getHeight(); ++y)
            for (int x = x0; x < x1; ++x)
                result = juce::jmin (result, image.getPixelAt (x, y).getBrightness());
        return result;
    }

    struct Row : public BlackBankButton
    {
        Row() : BlackBankButton ("Init", "0", "^I")     { setBounds (0, 0, 200, 31); }

        juce::Image painted (bool over, bool down)
        {
            juce::Image image (juce::Image::ARGB, 200, 31, true);
            juce::Graphics g (image);
            paintButton (g, over, down);
            return image;
        }
    };
}

TEST (BrowserButtons, RowColoursAndTexts)
{
    Row row;
    row.setColour (juce::TextButton::buttonColourId, juce::Colours::red);     // painting overrides it

    const auto rest = row.painted (false, false);
    EXPECT_EQ (EditorTest::pixel (rest, 1, 1), BlackBankButton::restColour);
    EXPECT_EQ (EditorTest::pixel (row.painted (true, false), 1, 1), BlackBankButton::highlightColour);
    EXPECT_EQ (EditorTest::pixel (row.painted (false, true), 1, 1), BlackBankButton::highlightColour);
    row.setToggleState (true, juce::dontSendNotification);
    EXPECT_EQ (EditorTest::pixel (row.painted (false, false), 1, 1), BlackBankButton::highlightColour);
    row.setToggleState (false, juce::dontSendNotification);

    // The name at the left, the shortcut at the right; disabled, half alpha.
    EXPECT_TRUE (ink (rest, 7, 40) < 0.4f && ink (rest, 170, 193) < 0.4f && ink (rest, 60, 150) > 0.8f);
    row.setEnabled (false);
    EXPECT_NEAR (ink (row.painted (false, false), 7, 40), 0.6f, 0.15f);
}

TEST (BrowserButtons, AClickReportsItsOwnMouseEventOrNone)
{
    std::vector<std::tuple<bool, int, int>> clicks;
    auto row = std::make_unique<Row>();
    row->clickCallback = [&] (bool on, int x, int y) { clicks.emplace_back (on, x, y); };

    // Wherever the mouse is by now: the event's position counts.
    row->setState (juce::Button::buttonDown);
    static_cast<juce::Component&> (*row).mouseUp (EditorTest::mouseEvent (*row, { 195.0f, 11.0f }, { 195.0f, 11.0f }));

    // A click without a mouse event (keyboard, triggerClick) reports none.
    row->setToggleState (true, juce::dontSendNotification);
    row->triggerClick();
    juce::MessageManager::getInstance()->runDispatchLoopUntil (30);
    EXPECT_EQ (clicks, (std::vector<std::tuple<bool, int, int>> { { false, 195, 11 }, { true, -1, -1 } }));

    // A callback may delete its button.
    row->clickCallback = [&row] (bool, int, int) { row.reset(); };
    row->setState (juce::Button::buttonDown);
    static_cast<juce::Component&> (*row).mouseUp (EditorTest::mouseEvent (*row, { 3.0f, 3.0f }, { 3.0f, 3.0f }));
    EXPECT_EQ (row, nullptr);
}
