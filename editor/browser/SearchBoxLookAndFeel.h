#pragma once

#include "KorvixLookAndFeel.h"

/** The preset page's search box: its caret is a SearchBoxCaret. */
class SearchBoxLookAndFeel : public KorvixLookAndFeel
{
public:
    SearchBoxLookAndFeel();

    juce::CaretComponent* createCaretComponent (juce::Component* keyFocusOwner) override;

private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (SearchBoxLookAndFeel)
};
