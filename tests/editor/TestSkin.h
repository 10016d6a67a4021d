#pragma once

#include "EditorTestSupport.h"

/** A widget's skin element: the element with that id of a small SVG
    document, copied out as the skin provider hands it out. */
inline std::unique_ptr<juce::Drawable> skinElement (const juce::String& svgBody, const juce::String& id)
{
    const auto root = juce::Drawable::createFromSVG (*juce::parseXML ("<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"1000\" height=\"600\">"
                                                                      + svgBody + "</svg>"));
    auto* element = dynamic_cast<juce::Drawable*> (SVGProvider::findElementById (root.get(), id));
    return element != nullptr ? element->createCopy() : nullptr;
}
