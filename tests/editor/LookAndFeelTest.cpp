#include "EditorTestSupport.h"
#include "KorvixLookAndFeel.h"

namespace
{
    juce::Image paintWith (KorvixLookAndFeel& lf, juce::Component& c, std::function<void (juce::Graphics&)> draw)
    {
        juce::Image image (juce::Image::ARGB, juce::jmax (1, c.getWidth()), juce::jmax (1, c.getHeight()), true);
        juce::Graphics g (image);
        draw (g);
        return image;
    }
}

TEST (KorvixLookAndFeel, ButtonBackgroundsRoundFreeCornersAndOutlineOnlyWhenOff)
{
    KorvixLookAndFeel lf;
    juce::TextButton button;
    button.setColour (juce::TextButton::textColourOffId, juce::Colours::red);
    const auto background = juce::Colours::blue;
    const auto draw = [&] { return paintWith (lf, button, [&] (juce::Graphics& g) { lf.drawButtonBackground (g, button, background, false, false); }); };

    // Too small to draw anything.
    button.setSize (1, 20);
    EXPECT_EQ (EditorTest::pixel (draw(), 0, 10), 0u);

    button.setSize (40, 20);
    EXPECT_FLOAT_EQ (KorvixLookAndFeel::cornerSize (39.0f, 19.0f), 8.55f);
    auto image = draw();
    EXPECT_EQ (EditorTest::pixel (image, 1, 1), 0u);                // rounded corner
    EXPECT_GT (image.getPixelAt (20, 1).getRed(), 100);             // red outline along the top
    EXPECT_GT (image.getPixelAt (20, 10).getBlue(), 100);           // blue inside

    // Connected on the left: square left corners, rounded right ones.
    button.setConnectedEdges (juce::Button::ConnectedOnLeft);
    image = draw();
    EXPECT_NE (EditorTest::pixel (image, 1, 1), 0u);
    EXPECT_EQ (EditorTest::pixel (image, 38, 1), 0u);

    // On: filled, no outline.
    button.setToggleState (true, juce::dontSendNotification);
    image = draw();
    EXPECT_LT (image.getPixelAt (20, 1).getRed(), 50);
}

TEST (KorvixLookAndFeel, RotarySlidersStrokeTheWholeArcAndGreyWhenDisabled)
{
    KorvixLookAndFeel lf;
    juce::Slider slider;
    slider.setSize (40, 40);
    slider.setColour (juce::Slider::rotarySliderFillColourId, juce::Colours::green);
    const auto draw = [&] (float position)
    {
        return paintWith (lf, slider, [&] (juce::Graphics& g) { lf.drawRotarySlider (g, 0, 0, 40, 40, position, -2.0f, 2.0f, slider); });
    };

    // At 0 nothing is filled, but the outline of the whole arc is there.
    auto image = draw (0.0f);
    EXPECT_EQ (EditorTest::pixel (image, 20, 10), 0u);
    EXPECT_GT (image.getPixelAt (20, 0).getGreen(), 0);

    image = draw (1.0f);
    EXPECT_GT (image.getPixelAt (20, 10).getGreen(), 100);

    slider.setEnabled (false);
    image = draw (1.0f);
    const auto grey = image.getPixelAt (20, 10);
    EXPECT_TRUE (grey.getAlpha() == 0x80 && std::abs (grey.getRed() - 0x80) <= 1 && grey.getRed() == grey.getGreen()) << grey.toString();
}
