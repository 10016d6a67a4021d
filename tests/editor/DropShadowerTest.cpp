#include "EditorTestSupport.h"
#include "QmDropShadower.h"

namespace
{
    const juce::DropShadow knobShadow (juce::Colour (0x75000000), 12, { 0, 7 });

    juce::Image paintWindow (juce::Component& window, juce::Rectangle<int> clip)
    {
        juce::Image image (juce::Image::ARGB, window.getWidth(), window.getHeight(), true);
        juce::Graphics g (image);
        g.reduceClipRegion (clip);
        window.paint (g);
        return image;
    }
}

TEST (DropShadower, TheFirstPaintRendersTheWholeShadowWhateverItsClip)
{
    juce::Component parent, owner;
    parent.setBounds (0, 0, 300, 300);
    owner.setBounds (100, 50, 60, 60);
    parent.addAndMakeVisible (owner);

    QmDropShadower::QmShadowWindow whole (owner, knobShadow), clipped (owner, knobShadow);
    for (auto* w : { &whole, &clipped })
        w->setBounds (88, 45, 84, 84);

    const auto reference = paintWindow (whole, whole.getLocalBounds());

    // First painted for a corner only: the cached shadow is still complete.
    paintWindow (clipped, { 0, 0, 5, 5 });
    ASSERT_TRUE (clipped.getCachedImage().isValid());
    EXPECT_EQ (clipped.getCachedImage().getBounds(), whole.getCachedImage().getBounds());
    EXPECT_EQ (clipped.getCachedImage().getWidth(), 60 + 2 * 13);

    const auto later = paintWindow (clipped, clipped.getLocalBounds());
    for (auto [x, y] : { std::pair { 42, 49 }, { 5, 10 }, { 80, 80 }, { 42, 2 } })
        EXPECT_EQ (later.getPixelAt (x, y), reference.getPixelAt (x, y)) << x << " " << y;

    // Darkest under the owner, moved down by the offset; fading outside.
    EXPECT_GT (reference.getPixelAt (42, 60).getAlpha(), 100);
    EXPECT_LT (reference.getPixelAt (42, 1).getAlpha(), reference.getPixelAt (42, 20).getAlpha());

    // Later paints draw the cached image again.
    const auto cached = clipped.getCachedImage();
    paintWindow (clipped, clipped.getLocalBounds());
    EXPECT_EQ (clipped.getCachedImage(), cached);
}

TEST (DropShadower, BlurAveragesThreeNeighboursAndFadesAtTheEdges)
{
    juce::Image image (juce::Image::SingleChannel, 5, 3, true);
    image.setPixelAt (2, 1, juce::Colours::white);
    QmDropShadower::blur (image, 0);
    EXPECT_EQ (image.getPixelAt (2, 1).getAlpha(), 255);

    // One pass along the rows then one along the columns, radius 1 (two each).
    juce::Image row (juce::Image::SingleChannel, 4, 3, true);
    for (int x = 0; x < 4; ++x)
        for (int y = 0; y < 3; ++y)
            row.setPixelAt (x, y, juce::Colour::fromRGBA (255, 255, 255, 90));
    QmDropShadower::blur (row, 1);
    EXPECT_LT (row.getPixelAt (0, 0).getAlpha(), row.getPixelAt (1, 1).getAlpha());
    EXPECT_LE (row.getPixelAt (1, 1).getAlpha(), 90);
}
