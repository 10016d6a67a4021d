// Contrast of colours as the web's accessibility guidelines measure it, and
// of what a component painted into an image shows.
#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

#include <cmath>

namespace Contrast
{
    inline double luminance (juce::Colour c)
    {
        const auto channel = [] (juce::uint8 v)
        {
            const auto x = v / 255.0;
            return x <= 0.03928 ? x / 12.92 : std::pow ((x + 0.055) / 1.055, 2.4);
        };
        return 0.2126 * channel (c.getRed()) + 0.7152 * channel (c.getGreen()) + 0.0722 * channel (c.getBlue());
    }

    /** The ratio of two colours, the first laid over the second when translucent. */
    inline double ratio (juce::Colour a, juce::Colour b)
    {
        const auto la = luminance (b.overlaidWith (a)), lb = luminance (b);
        return (juce::jmax (la, lb) + 0.05) / (juce::jmin (la, lb) + 0.05);
    }

    /** The strongest contrast of any pixel in the area against the background:
        the full colour of the text drawn there. */
    inline double ink (const juce::Image& image, juce::Rectangle<int> area, juce::Colour background)
    {
        double best = 1.0;
        area = area.getIntersection (image.getBounds());
        for (int y = area.getY(); y < area.getBottom(); ++y)
            for (int x = area.getX(); x < area.getRight(); ++x)
                best = juce::jmax (best, ratio (image.getPixelAt (x, y), background));
        return best;
    }

    /** A charcoal: opaque, dark and nearly grey, as the panel's face and groups. */
    inline bool isCharcoal (juce::Colour c)     { return c.isOpaque() && luminance (c) < 0.06 && c.getSaturation() < 0.2f; }
}
