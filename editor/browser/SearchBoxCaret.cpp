#include "SearchBoxCaret.h"

SearchBoxCaret::SearchBoxCaret (juce::Component* keyFocusOwner)
    : juce::CaretComponent (keyFocusOwner)
{
}

void SearchBoxCaret::paint (juce::Graphics& g)
{
    g.fillAll (juce::Colour (colour));
}
