#include "TestSkin.h"
#include "VnMeter.h"

#include <gtest/gtest.h>

namespace
{
    const juce::String tallMeter = "<g id=\"vmeter\"><rect x=\"300\" y=\"40\" width=\"20\" height=\"80\" fill=\"#0000ff\"/>"
                                   "<rect x=\"304\" y=\"44\" width=\"12\" height=\"72\" fill=\"#00ff00\"/>"
                                   "<rect x=\"304\" y=\"44\" width=\"12\" height=\"72\" fill=\"#ff0000\"/></g>";

    juce::uint32 at (VnMeter& meter, float value, int x, int y)
    {
        meter.setValue (value);
        return EditorTest::paint (meter).getPixelAt (x, y).getARGB();
    }
}

TEST (Meter, TheBarFillsItsAreaInsideTheMeter)
{
    const auto element = skinElement (tallMeter, "vmeter");
    VnMeter meter (*element);

    // The bar's place is taken relative to the meter, wherever the meter sits.
    EXPECT_EQ (meter.getBounds(), juce::Rectangle<int> (300, 40, 20, 80));
    EXPECT_EQ (meter.getBarArea(), juce::Rectangle<float> (4.0f, 4.0f, 12.0f, 72.0f));
    EXPECT_TRUE (meter.isVertical());

    constexpr juce::uint32 blue = 0xff0000ff, green = 0xff00ff00, red = 0xffff0000;
    EXPECT_EQ (std::tuple (at (meter, 0.0f, 10, 70), at (meter, 0.0f, 1, 1)), std::tuple (blue, blue));
    EXPECT_EQ (std::tuple (at (meter, 0.5f, 10, 70), at (meter, 0.5f, 10, 30), at (meter, 0.5f, 2, 70)), std::tuple (green, blue, blue));
    EXPECT_EQ (std::tuple (at (meter, 1.0f, 10, 6), at (meter, 1.0f, 10, 74)), std::tuple (green, green));
    EXPECT_EQ (std::tuple (at (meter, 1.5f, 10, 6), at (meter, 1.5f, 10, 74), at (meter, 1.5f, 1, 1)), std::tuple (red, red, blue));

    // A square back fills from the left.
    const auto wide = skinElement ("<g id=\"vmeter\"><rect x=\"10\" y=\"10\" width=\"40\" height=\"40\" fill=\"#0000ff\"/>"
                                   "<rect x=\"10\" y=\"20\" width=\"40\" height=\"10\" fill=\"#00ff00\"/>"
                                   "<rect x=\"10\" y=\"20\" width=\"40\" height=\"10\" fill=\"#ff0000\"/></g>", "vmeter");
    VnMeter horizontal (*wide);
    EXPECT_FALSE (horizontal.isVertical());
    EXPECT_EQ (std::tuple (at (horizontal, 0.5f, 5, 15), at (horizontal, 0.5f, 35, 15)), std::tuple (green, blue));
}

TEST (Meter, AnElementWithoutItsThreeChildrenDrawsNothing)
{
    for (auto svg : { "<g id=\"vmeter\"><rect x=\"0\" y=\"0\" width=\"20\" height=\"80\" fill=\"#0000ff\"/>"
                      "<rect x=\"4\" y=\"4\" width=\"12\" height=\"72\" fill=\"#00ff00\"/></g>",
                      "<rect id=\"vmeter\" x=\"0\" y=\"0\" width=\"20\" height=\"80\" fill=\"#0000ff\"/>" })
    {
        const auto element = skinElement (svg, "vmeter");
        VnMeter meter (*element);
        EXPECT_EQ (at (meter, 2.0f, 10, 10), 0u);
    }
}
