#include "TagsContainer.h"

#include "PanelPalette.h"

void TagsContainer::paint (juce::Graphics& g)
{
    g.fillAll (juce::Colour (PanelPalette::raised));
}
