#pragma once

#include <cstdint>

/** One MIDI event as the engine sees it. Positions are in host samples
    within the block handed to QmSynthEngine::renderBlock. */
struct QmMidiEvent
{
    enum Type : int32_t { typeNote = 0, typeController = 1, typePitchWheel = 2 };

    /** Controllers 120 to 127 are channel-mode messages, not controls: they
        are never learnt nor bound. Two of them end every note. */
    enum ChannelMode : int32_t { firstChannelMode = 120, allSoundOff = 120, resetAllControllers = 121, allNotesOff = 123 };

    bool isChannelMode() const noexcept     { return type == typeController && controller >= firstChannelMode; }

    /** All Notes Off or All Sound Off. */
    bool releasesAllNotes() const noexcept  { return type == typeController && (controller == allNotesOff || controller == allSoundOff); }

    int32_t type = typeNote;
    int32_t note = 0;       // type 0 only
    uint8_t gate = 0;       // 1 on, 0 off (type 0 only)
    int32_t position = 0;
    float value = 0.0f;     // velocity, controller or bend value, 0..1
    int32_t controller = -1;
    int32_t spare = -1;
};
