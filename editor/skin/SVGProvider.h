#pragma once

#include "ComponentUIProvider.h"

/** The skin: one SVG document parsed once per process, whose elements are
    handed out as copies by id.

    The process-wide instance reads "skin/skin.svg" from the installed
    resources when it is first asked for (the processor asks at creation, so
    the editor opens without parsing). A missing or broken file leaves an
    empty skin: every lookup gives null. Other instances read the file they
    are given (tests, tools).
*/
class SVGProvider : public ComponentUIProvider,
                    public juce::DeletedAtShutdown
{
public:
    /** Parses the file; an unreadable or non-SVG file gives an empty skin. */
    explicit SVGProvider (const juce::File& skinFile);
    ~SVGProvider() override;

    /** The process-wide instance, created on first use from any thread;
        null only when called from inside its own construction. */
    static SVGProvider* getInstance();

    /** Depth first, a node before its children, earlier subtrees first. */
    static juce::Component* findElementById (juce::Component* node, const juce::String& name);

    std::unique_ptr<juce::Drawable> getDrawableFitted (const juce::String& name, int width, int height) override;
    std::unique_ptr<juce::Drawable> getDrawable (const juce::String& name) override;

    /** Bitmaps are not served: the widgets rasterise drawables themselves. */
    juce::Image getImage (const juce::String& name) override     { return {}; }

    bool hasSkin() const noexcept                                   { return root != nullptr; }

private:
    std::unique_ptr<juce::Drawable> root;

    JUCE_DECLARE_NON_COPYABLE (SVGProvider)
};
