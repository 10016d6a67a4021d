#include "EditorTestSupport.h"
#include "SkinnableComponent.h"

TEST (Skin, ProviderFindsElementsDepthFirstAndCopiesThem)
{
    auto provider = EditorTest::makeProvider (R"(<svg xmlns="http://www.w3.org/2000/svg" width="100" height="100">
        <g id="outer"><rect id="twin" x="1" y="1" width="5" height="5"/></g>
        <rect id="twin" x="50" y="50" width="20" height="20"/>
        <rect id="late" x="10" y="30" width="30" height="10"/></svg>)");
    ASSERT_TRUE (provider->hasSkin());

    // The earlier subtree wins over a later, shallower element.
    auto twin = provider->getDrawable ("twin");
    ASSERT_NE (twin, nullptr);
    EXPECT_EQ (twin->getBounds(), juce::Rectangle<int> (1, 1, 5, 5));

    // A copy without parent carries skin coordinates; the tree is left alone.
    auto late = provider->getDrawable ("late");
    EXPECT_EQ (late->getBounds(), juce::Rectangle<int> (10, 30, 30, 10));
    late->setTransform (juce::AffineTransform::translation (5, 5));
    EXPECT_EQ (provider->getDrawable ("late")->getBounds(), juce::Rectangle<int> (10, 30, 30, 10));

    auto fitted = provider->getDrawableFitted ("late", 60, 60);
    EXPECT_EQ (fitted->getBoundsInParent(), juce::Rectangle<int> (0, 0, 60, 60));

    EXPECT_EQ (provider->getDrawable ("missing"), nullptr);
    EXPECT_FALSE (provider->getImage ("late").isValid());
}

TEST (Skin, MissingOrBrokenSkinGivesNoElements)
{
    for (const auto* text : { "", "<svg", "\x01\xff<", "<html><rect id=\"background\" width=\"9\" height=\"9\"/></html>" })
        EXPECT_EQ (EditorTest::makeProvider (text)->getDrawable ("background"), nullptr) << text;

    SVGProvider missing (juce::File ("/nonexistent/skin.svg"));
    EXPECT_EQ (missing.getDrawable ("background"), nullptr);
    EXPECT_EQ (SVGProvider::findElementById (nullptr, "x"), nullptr);
}

TEST (Skin, ChildrenImagesAndCacheKeys)
{
    auto provider = EditorTest::makeProvider (R"(<svg xmlns="http://www.w3.org/2000/svg" width="100" height="100">
        <g id="knob_3">
          <rect id="a" x="10" y="10" width="20" height="10" fill="#ff0000"/>
          <rect id="b" x="10" y="10" width="4" height="4" fill="#00ff00"/>
          <rect id="a" x="10" y="10" width="8" height="8" fill="#0000ff"/>
        </g>
        <g id="dot"><rect x="1" y="1" width="0.4" height="0.4"/></g></svg>)");

    SkinnableComponent knob (*provider->getDrawable ("knob_3"));
    EXPECT_EQ (knob.getChildDrawable (-1), nullptr);
    EXPECT_EQ (knob.getChildDrawable (3), nullptr);
    ASSERT_NE (knob.getChildDrawable (2), nullptr);

    // Of two children with one id, the later wins.
    EXPECT_EQ (knob.getChildDrawableById ("a"), knob.getChildDrawable (2));

    EXPECT_EQ (knob.imageCacheKeyText (-1, 2.0f), "knob_3_-1_200");
    EXPECT_TRUE (knob.imageCacheKeyText (0, 1.25f).endsWith ("_0_125"));
    EXPECT_TRUE (knob.imageCacheKeyText (0, 1.005f).endsWith ("_0_100"));
    EXPECT_EQ (knob.imageCacheKey (0, 1.0f), juce::String ("knob_3_0_100").hashCode64());

    // Child 0 at scale 2: its own bounds, twice the size, red; cached.
    const auto image = knob.getChildImage (0, 2.0f);
    ASSERT_EQ (std::pair (image.getWidth(), image.getHeight()), std::pair (40, 20));
    EXPECT_EQ (EditorTest::pixel (image, 20, 10), 0xffff0000u);
    EXPECT_TRUE (juce::ImageCache::getFromHashCode (knob.imageCacheKey (0, 2.0f)).isValid());
    EXPECT_FALSE (knob.getChildImage (7, 1.0f).isValid());

    // Below one pixel at this scale: the null image, nothing cached.
    SkinnableComponent dot (*provider->getDrawable ("dot"));
    EXPECT_FALSE (dot.getImage (0.5f).isValid());
    EXPECT_FALSE (juce::ImageCache::getFromHashCode (dot.imageCacheKey (-1, 0.5f)).isValid());
    EXPECT_TRUE (dot.getImage (1.0f).isValid());
}
