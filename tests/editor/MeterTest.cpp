#include "TestSkin.h"
#include "VnMeter.h"

namespace
{
    juce::uint32 at (VnMeter& meter, float value, int x, int y)
    {
        meter.setValue (value);
        return EditorTest::pixel (EditorTest::paint (meter), x, y);
    }

    constexpr juce::uint32 blue = 0xff0000ff, green = 0xff00ff00, red = 0xffff0000;
}

TEST (Meter, TheBarFillsItsAreaInsideTheMeter)
{
    const auto element = skinElement ("<g id=\"vmeter\"><rect x=\"300\" y=\"40\" width=\"20\" height=\"80\" fill=\"#0000ff\"/>"
                                      "<rect x=\"304\" y=\"44\" width=\"12\" height=\"72\" fill=\"#00ff00\"/>"
                                      "<rect x=\"304\" y=\"44\" width=\"12\" height=\"72\" fill=\"#ff0000\"/></g>", "vmeter");
    VnMeter meter (*element);

    // The bar's place is taken relative to the meter, wherever the meter sits.
    EXPECT_EQ (meter.getBounds(), juce::Rectangle<int> (300, 40, 20, 80));
    EXPECT_EQ (meter.getBarArea(), juce::Rectangle<float> (4.0f, 4.0f, 12.0f, 72.0f));

    EXPECT_EQ (std::tuple (at (meter, 0.0f, 10, 70), at (meter, 0.5f, 10, 70), at (meter, 0.5f, 10, 30), at (meter, 0.5f, 2, 70)),
               std::tuple (blue, green, blue, blue));
    EXPECT_EQ (std::tuple (at (meter, 1.0f, 10, 5), at (meter, 1.5f, 10, 5), at (meter, 1.5f, 10, 74)), std::tuple (green, red, red));

    // A square back fills from the left.
    const auto square = skinElement ("<g id=\"vmeter\"><rect x=\"10\" y=\"10\" width=\"40\" height=\"40\" fill=\"#0000ff\"/>"
                                     "<rect x=\"10\" y=\"20\" width=\"40\" height=\"10\" fill=\"#00ff00\"/>"
                                     "<rect x=\"10\" y=\"20\" width=\"40\" height=\"10\" fill=\"#ff0000\"/></g>", "vmeter");
    VnMeter horizontal (*square);
    EXPECT_EQ (std::pair (at (horizontal, 0.5f, 5, 15), at (horizontal, 0.5f, 35, 15)), std::pair (green, blue));

    // Fewer than three children: nothing drawn.
    const auto two = skinElement ("<g id=\"vmeter\"><rect x=\"0\" y=\"0\" width=\"20\" height=\"80\" fill=\"#0000ff\"/>"
                                  "<rect x=\"4\" y=\"4\" width=\"12\" height=\"72\" fill=\"#00ff00\"/></g>", "vmeter");
    VnMeter broken (*two);
    EXPECT_EQ (at (broken, 2.0f, 10, 10), 0u);
}
