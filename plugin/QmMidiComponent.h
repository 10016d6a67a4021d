#pragma once

class MidiOverlay;

/** The MIDI-learn data of a learnable widget. A plain data base class: the
    editor and the mapper reach it in any widget by dynamic_cast. */
struct QmMidiComponent
{
    /** The engine parameter the widget controls (0..43), -1 until bound. */
    int parameterIndex = -1;

    /** The controller bound to that parameter as last assigned, -1 for none. */
    int controller = -1;

    /** The widget's learn overlay, owned by the widget; null when it has none. */
    MidiOverlay* overlay = nullptr;

    /** Learn mode as shown on the widget. */
    bool learning = false;
};
