#pragma once

#include "QmMidiComponent.h"

#include <juce_gui_basics/juce_gui_basics.h>

/** The box a learnable widget lays over itself in learn mode: it shows the
    controller bound to the widget's parameter and, when clicked, makes that
    parameter the learn target. */
class MidiOverlay : public juce::Component
{
public:
    MidiOverlay (juce::Rectangle<int> bounds, QmMidiComponent* component);

    void paint (juce::Graphics& g) override;
    void mouseUp (const juce::MouseEvent& e) override;

    /** What a click does: toggles this overlay's selection, deselects every
        other registered widget's overlay and sets or clears the learn target. */
    void toggleSelection();

    /** The text shown for a controller: "--" for none, else at least two digits. */
    static juce::String controllerText (int controller);

    /** Where the number is drawn, in the overlay's coordinates: on a tab in
        the bottom badgeStrip rows when there are any, else in the middle. */
    juce::Rectangle<float> getBadgeArea (const juce::Font& font) const;

    bool selected = false;
    QmMidiComponent* component = nullptr;

    /** Rows at the bottom, below the widget, that hold the number, so that
        it hides none of the widget's own labels; 0 for none. */
    int badgeStrip = 0;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (MidiOverlay)
};
