#pragma once

#include <juce_graphics/juce_graphics.h>

/** The font of every text the widgets draw: DejaVu Sans, which every Debian
    machine has, so the panel reads the same everywhere. */
inline juce::Font widgetFont (float height, int styleFlags = juce::Font::plain)
{
    return juce::Font ("DejaVu Sans", height, styleFlags);
}
