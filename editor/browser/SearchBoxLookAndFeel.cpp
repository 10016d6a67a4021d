#include "SearchBoxLookAndFeel.h"

#include "SearchBoxCaret.h"

SearchBoxLookAndFeel::SearchBoxLookAndFeel() = default;

juce::CaretComponent* SearchBoxLookAndFeel::createCaretComponent (juce::Component* keyFocusOwner)
{
    return new SearchBoxCaret (keyFocusOwner);
}
