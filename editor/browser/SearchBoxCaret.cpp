#include "SearchBoxCaret.h"

SearchBoxCaret::SearchBoxCaret (juce::Component* keyFocusOwner)
    : juce::CaretComponent (keyFocusOwner)
{
}

void SearchBoxCaret::paint (juce::Graphics& g)
{
    // The framework paints carets unclipped: fillAll would cover the whole box.
    g.setColour (juce::Colour (colour));
    g.fillRect (getLocalBounds());
}
