#include "TagsContainer.h"

void TagsContainer::paint (juce::Graphics& g)
{
    g.fillAll (juce::Colour (0xffddded1));
}
