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
