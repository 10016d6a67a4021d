#include "QmDropShadower.h"

namespace
{
    const juce::Colour shadowColour (0x75000000);
}

QmDropShadower::QmDropShadower (const juce::DropShadow& s)
    : shadow (s)
{
}

QmDropShadower::~QmDropShadower()
{
    if (owner != nullptr)
        owner->removeComponentListener (this);

    if (lastParent != nullptr)
        lastParent->removeComponentListener (this);

    reentrant = true;
    shadowWindows.clear();
}

void QmDropShadower::setOwner (juce::Component* component)
{
    if (component == owner)
        return;

    if (owner != nullptr)
        owner->removeComponentListener (this);

    owner = component;
    updateParent();

    if (owner != nullptr)
        owner->addComponentListener (this);

    updateShadows();
}

void QmDropShadower::updateParent()
{
    if (lastParent != nullptr)
        lastParent->removeComponentListener (this);

    lastParent = owner != nullptr ? owner->getParentComponent() : nullptr;

    if (lastParent != nullptr)
        lastParent->addComponentListener (this);
}

void QmDropShadower::componentMovedOrResized (juce::Component& c, bool, bool)
{
    if (&c == owner)
        updateShadows();
}

void QmDropShadower::componentBroughtToFront (juce::Component& c)
{
    if (&c == owner)
        updateShadows();
}

void QmDropShadower::componentChildrenChanged (juce::Component&)
{
    updateShadows();
}

void QmDropShadower::componentParentHierarchyChanged (juce::Component& c)
{
    if (&c == owner)
    {
        updateParent();
        updateShadows();
    }
}

void QmDropShadower::componentVisibilityChanged (juce::Component& c)
{
    if (&c == owner)
        updateShadows();
}

juce::Component* QmDropShadower::getShadowWindow() const
{
    return shadowWindows.getFirst();
}

void QmDropShadower::updateShadows()
{
    if (reentrant)
        return;

    const juce::ScopedValueSetter<bool> guard (reentrant, true);

    if (owner == nullptr)
    {
        shadowWindows.clear();
        return;
    }

    if (owner->isShowing() && owner->getWidth() >= 1 && owner->getHeight() >= 1
         && (juce::Desktop::canUseSemiTransparentWindows() || owner->getParentComponent() != nullptr))
    {
        while (shadowWindows.size() < 1)
            shadowWindows.add (new QmShadowWindow (*owner, shadow));

        const int r = shadow.radius;
        const juce::Rectangle<int> bounds (owner->getX() + shadow.offset.x - r, owner->getY() + shadow.offset.y - r,
                                           owner->getWidth() + 2 * r, owner->getHeight() + 2 * r);

        // Any of these calls may end up deleting the window.
        juce::WeakReference<juce::Component> window (shadowWindows.getFirst());

        if (window != nullptr)
            window->setAlwaysOnTop (owner->isAlwaysOnTop());

        if (window != nullptr)
            window->setBounds (bounds);

        if (window != nullptr)
            window->toBehind (owner);
    }
    else
    {
        shadowWindows.clear();
    }
}

void QmDropShadower::blur (juce::Image& image, int radius)
{
    const int w = image.getWidth(), h = image.getHeight();

    if (w <= 2 || h <= 2)
        return;

    const juce::Image::BitmapData data (image, juce::Image::BitmapData::readWrite);

    const auto pass = [] (juce::uint8* d, int n, int stride)
    {
        int last = d[0];
        d[0] = (juce::uint8) ((d[0] + d[stride] + 1) / 3);

        for (int i = 1; i < n - 1; ++i)
        {
            const int here = d[i * stride];
            d[i * stride] = (juce::uint8) ((last + here + d[(i + 1) * stride] + 1) / 3);
            last = here;
        }

        d[(n - 1) * stride] = (juce::uint8) ((last + d[(n - 1) * stride] + 1) / 3);
    };

    for (int y = 0; y < h; ++y)
        for (int p = 0; p < 2 * radius; ++p)
            pass (data.getLinePointer (y), w, data.pixelStride);

    for (int x = 0; x < w; ++x)
        for (int p = 0; p < 2 * radius; ++p)
            pass (data.getPixelPointer (x, 0), h, data.lineStride);
}

//==============================================================================
QmDropShadower::QmShadowWindow::QmShadowWindow (juce::Component& owner, const juce::DropShadow& s)
    : target (&owner),
      shadow (s)
{
    setVisible (true);
    setInterceptsMouseClicks (false, false);

    if (owner.isOnDesktop())
    {
        setSize (1, 1);
        addToDesktop (juce::ComponentPeer::windowIsTemporary
                       | juce::ComponentPeer::windowIgnoresMouseClicks
                       | juce::ComponentPeer::windowIgnoresKeyPresses);
    }
    else if (auto* parent = owner.getParentComponent())
    {
        parent->addChildComponent (this);
    }
}

float QmDropShadower::QmShadowWindow::getDesktopScaleFactor() const
{
    if (target != nullptr)
        return target->getDesktopScaleFactor();

    return juce::Component::getDesktopScaleFactor();
}

void QmDropShadower::QmShadowWindow::paint (juce::Graphics& g)
{
    if (target == nullptr)
        return;

    const auto path = getLocalArea (target.get(), target->getLocalBounds()).toFloat();
    g.setColour (shadowColour);

    if (cachedImage.isValid())
    {
        g.drawImageAt (cachedImage, cachedArea.getX(), cachedArea.getY(), true);
        return;
    }

    // The whole shadow, whatever part of it this paint is asked for: the
    // image is kept for the window's life.
    const int r = shadow.radius;
    const auto area = path.getSmallestIntegerContainer().translated (shadow.offset.x, shadow.offset.y).expanded (r + 1);
    cachedArea = area;

    if (area.getWidth() <= 2 || area.getHeight() <= 2)
        return;

    juce::Image image (juce::Image::SingleChannel, area.getWidth(), area.getHeight(), true);

    {
        juce::Graphics ig (image);
        ig.setColour (juce::Colours::white);
        ig.fillRect (path.translated ((float) (shadow.offset.x - area.getX()), (float) (shadow.offset.y - area.getY())));
    }

    blur (image, r);
    cachedImage = image;
    g.drawImageAt (cachedImage, area.getX(), area.getY(), true);
}
