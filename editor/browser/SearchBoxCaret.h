#pragma once

#include "PanelPalette.h"

/** The search box's caret: a solid bar in the box's text colour. */
class SearchBoxCaret : public juce::CaretComponent
{
public:
    explicit SearchBoxCaret (juce::Component* keyFocusOwner);

    void paint (juce::Graphics& g) override;

    static constexpr juce::uint32 colour = PanelPalette::text;

private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (SearchBoxCaret)
};
