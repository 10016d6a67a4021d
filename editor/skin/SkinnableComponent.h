#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

#include <memory>

/** The mix-in of every skinned widget: it owns a copy of the widget's skin
    element and rasterises the element, or one of its children, at any display
    scale into images shared through the framework's image cache.

    Cached images are keyed by the widget's cache name, the child index and
    the scale. The cache name is the element's id; a part of another widget
    (a radio choice) is named after its owner's id and its index there, so
    parts without ids of their own never share pictures.
*/
class SkinnableComponent
{
public:
    explicit SkinnableComponent (const juce::Drawable& element);
    SkinnableComponent (const juce::Drawable& element, const juce::String& ownerName, int indexInOwner);
    virtual ~SkinnableComponent();

    virtual juce::AffineTransform getTransform()                        { return {}; }

    /** The element's child at index, or null (out of range or not a
        drawable); it belongs to the element. */
    virtual juce::Drawable* getChildDrawable (int index);

    /** The element's direct child with that id (the last of equal ids). */
    virtual juce::Drawable* getChildDrawableById (const juce::String& name);

    /** The whole element at that scale. */
    virtual juce::Image getImage (float scale);

    /** The element's child at that scale; the null image without one. */
    virtual juce::Image getChildImage (int childIndex, float scale);

    /** The text a cached image is keyed by: name_child_scale*100 (truncated). */
    juce::String imageCacheKeyText (int childIndex, float scale) const;
    juce::int64 imageCacheKey (int childIndex, float scale) const;

    /** The drawable rendered into a transparent image of its bounds times
        scale, anchored top left with its aspect ratio kept, or the cached one.
        Null drawable, or a size below one pixel: the null image. */
    static juce::Image renderToImage (juce::Drawable* drawable, float scale, juce::int64 key);

    /** The graphics context's physical pixel scale, at least 1/100. */
    static float getPixelScale (juce::Graphics& g);

    juce::Drawable* getElement() const noexcept                         { return element.get(); }
    const juce::String& getCacheName() const noexcept                   { return cacheName; }

protected:
    std::unique_ptr<juce::Drawable> element;
    juce::String cacheName;

    JUCE_DECLARE_NON_COPYABLE (SkinnableComponent)
};
