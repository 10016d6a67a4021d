#pragma once

#define FST_DONT_DEPRECATE_UNKNOWN 1
#include <pluginterfaces/vst2.x/aeffectx.h>

/** Sizes the MIDI buffers of the framework's VST wrapper before processing
    starts. The wrapper grows them on the audio thread whenever a block
    brings more events than they hold: the buffer it collects the host's
    events in, and the list in which it sends them on to the host (the
    plug-in produces MIDI, so its input goes out again).

    Whenever the host resumes the plug-in, the wrapper is handed, off the
    audio thread, a block of no samples, in which the processor fills the
    wrapper's buffer with as many events as the plug-in takes in one block;
    the wrapper grows its list for them and keeps both. That block's events
    must not reach the host: the wrapper calls the host through here, where
    their echo stops.
*/
class VstMidiBufferSizer
{
public:
    /** Creates an effect through the wrapper's entry point, with the sizing
        in front of its dispatcher. In a process where a second host callback
        shows up, that host's effects are created as they are, unsized; so
        are all effects of a debug build. */
    static AEffect* createEffect (audioMasterCallback host, AEffect* (*entry) (audioMasterCallback));

private:
    static VstIntPtr dispatch (AEffect* effect, int opcode, int index, VstIntPtr value, void* ptr, float opt);
    static VstIntPtr callHost (AEffect* effect, int opcode, int index, VstIntPtr value, void* ptr, float opt);
    static void sizeBuffers (AEffect* effect);
};
