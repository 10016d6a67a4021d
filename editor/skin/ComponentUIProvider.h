#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

#include <memory>

/** Where the editor gets its skin elements from, by id. Every drawable
    returned is a fresh copy owned by the caller; null when no element has
    that id. */
class ComponentUIProvider
{
public:
    virtual ~ComponentUIProvider() = default;

    /** The element transformed to fill (0, 0, width, height). */
    virtual std::unique_ptr<juce::Drawable> getDrawableFitted (const juce::String& name, int width, int height) = 0;

    /** The element in skin coordinates. */
    virtual std::unique_ptr<juce::Drawable> getDrawable (const juce::String& name) = 0;

    /** A bitmap image for a name. */
    virtual juce::Image getImage (const juce::String& name) = 0;
};
