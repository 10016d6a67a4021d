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

    bool selected = false;
    QmMidiComponent* component = nullptr;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (MidiOverlay)
};
