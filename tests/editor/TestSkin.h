#pragma once

#include "EditorTestSupport.h"

#include <memory>

/** Skin elements for widget tests: the element with that id of a small SVG
    document, copied out as the skin provider hands it out. */
inline std::unique_ptr<juce::Drawable> skinElement (const juce::String& svgBody, const juce::String& id)
{
    const auto xml = juce::parseXML ("<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"1000\" height=\"600\">"
                                     + svgBody + "</svg>");
    const auto root = juce::Drawable::createFromSVG (*xml);

    std::function<juce::Component* (juce::Component*)> find = [&] (juce::Component* node) -> juce::Component*
    {
        if (node->getComponentID() == id)
            return node;

        for (auto* child : node->getChildren())
            if (auto* found = find (child))
                return found;

        return nullptr;
    };

    auto* element = dynamic_cast<juce::Drawable*> (find (root.get()));
    return element != nullptr ? element->createCopy() : nullptr;
}
