#include "SkinnableComponent.h"

SkinnableComponent::SkinnableComponent (const juce::Drawable& e)
    : element (e.createCopy()),
      cacheName (e.getComponentID())
{
}

SkinnableComponent::SkinnableComponent (const juce::Drawable& e, const juce::String& ownerName, int indexInOwner)
    : element (e.createCopy()),
      cacheName (ownerName + "/" + juce::String (indexInOwner))
{
}

SkinnableComponent::~SkinnableComponent() = default;

juce::Drawable* SkinnableComponent::getChildDrawable (int index)
{
    if (element == nullptr || ! juce::isPositiveAndBelow (index, element->getNumChildComponents()))
        return nullptr;

    return dynamic_cast<juce::Drawable*> (element->getChildComponent (index));
}

juce::Drawable* SkinnableComponent::getChildDrawableById (const juce::String& name)
{
    if (element == nullptr)
        return nullptr;

    // From the last child back: of two children with one id, the later wins.
    for (int i = element->getNumChildComponents(); --i >= 0;)
        if (auto* child = element->getChildComponent (i); child->getComponentID() == name)
            return dynamic_cast<juce::Drawable*> (child);

    return nullptr;
}

juce::Image SkinnableComponent::getImage (float scale)
{
    return renderToImage (element.get(), scale, imageCacheKey (-1, scale));
}

juce::Image SkinnableComponent::getChildImage (int childIndex, float scale)
{
    return renderToImage (getChildDrawable (childIndex), scale, imageCacheKey (childIndex, scale));
}

juce::String SkinnableComponent::imageCacheKeyText (int childIndex, float scale) const
{
    return cacheName + "_" + juce::String (childIndex) + "_" + juce::String ((int) (scale * 100.0f));
}

juce::int64 SkinnableComponent::imageCacheKey (int childIndex, float scale) const
{
    return imageCacheKeyText (childIndex, scale).hashCode64();
}

juce::Image SkinnableComponent::renderToImage (juce::Drawable* drawable, float scale, juce::int64 key)
{
    auto image = juce::ImageCache::getFromHashCode (key);

    if (image.isValid() || drawable == nullptr)
        return image;

    const auto w = (float) drawable->getWidth() * scale;
    const auto h = (float) drawable->getHeight() * scale;

    // The framework cannot make an image without pixels.
    if ((int) w < 1 || (int) h < 1)
        return {};

    image = juce::Image (juce::Image::ARGB, (int) w, (int) h, true);

    {
        juce::Graphics g (image);
        drawable->drawWithin (g, { 0.0f, 0.0f, w, h }, juce::RectanglePlacement::xLeft | juce::RectanglePlacement::yTop, 1.0f);
    }

    juce::ImageCache::addImageToCache (image, key);
    return juce::ImageCache::getFromHashCode (key);
}

float SkinnableComponent::getPixelScale (juce::Graphics& g)
{
    return juce::jmax (0.01f, g.getInternalContext().getPhysicalPixelScaleFactor());
}
