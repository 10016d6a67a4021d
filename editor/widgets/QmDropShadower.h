#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

/** Casts a soft shadow of its owner onto the owner's parent: one shadow
    component kept directly behind the owner, the owner's size plus the
    shadow's radius on each side and moved by its offset. The blurred shadow
    is rendered once per shadow window and then drawn from a cached image. */
class QmDropShadower : public juce::ComponentListener
{
public:
    explicit QmDropShadower (const juce::DropShadow& shadow);
    ~QmDropShadower() override;

    void setOwner (juce::Component* component);

    void componentMovedOrResized (juce::Component&, bool wasMoved, bool wasResized) override;
    void componentBroughtToFront (juce::Component&) override;
    void componentChildrenChanged (juce::Component&) override;
    void componentParentHierarchyChanged (juce::Component&) override;
    void componentVisibilityChanged (juce::Component&) override;

    /** The owner's shadow component; null while it has none. */
    juce::Component* getShadowWindow() const;

    /** The blur of a single-channel image: 2r passes of a three-tap average
        along every row, then along every column. */
    static void blur (juce::Image& image, int radius);

    class QmShadowWindow;

private:
    void updateParent();
    void updateShadows();

    juce::Component* owner = nullptr;
    juce::OwnedArray<juce::Component> shadowWindows;
    juce::DropShadow shadow;
    bool reentrant = false;
    juce::WeakReference<juce::Component> lastParent;

    JUCE_DECLARE_NON_COPYABLE (QmDropShadower)
};

class QmDropShadower::QmShadowWindow : public juce::Component
{
public:
    QmShadowWindow (juce::Component& owner, const juce::DropShadow& shadow);

    void paint (juce::Graphics& g) override;
    float getDesktopScaleFactor() const override;

    /** The rendered shadow, null until the first paint. */
    const juce::Image& getCachedImage() const noexcept      { return cachedImage; }

private:
    juce::WeakReference<juce::Component> target;
    juce::DropShadow shadow;
    juce::Image cachedImage;
    juce::Rectangle<int> cachedArea;
};
