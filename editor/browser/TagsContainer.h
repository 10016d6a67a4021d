#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

/** An empty light panel of the preset page, kept where tags would be shown. */
class TagsContainer : public juce::Component
{
public:
    TagsContainer() = default;

    void paint (juce::Graphics& g) override;

private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (TagsContainer)
};
