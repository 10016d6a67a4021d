#pragma once

#define FST_DONT_DEPRECATE_UNKNOWN 1
#include <pluginterfaces/vst2.x/aeffectx.h>

/** Stands between the host's process calls and the framework's VST wrapper,
    which trusts them too far: a call of no frames may come with no buffers,
    and a channel the host leaves out (a null or repeated pointer) makes the
    wrapper render into a buffer of its own sized for the declared block, past
    whose end any longer block would run.

    Calls of no frames are answered without touching anything; blocks whose
    channels are all present and distinct go through as they are, whatever
    their length; the others are rendered piecewise into buffers on the stack
    and copied to the channels that exist.
*/
class VstBlockGuard
{
public:
    /** Puts the guard in front of the effect's process entries. Called on
        each new effect before the host sees it. */
    static void install (AEffect* effect) noexcept;

    /** Frames rendered at a time for hosts that leave channels out. */
    static constexpr int scratchFrames = 256;
    static constexpr int maxChannels = 2;

private:
    template <typename FloatType, typename Process>
    static void process (AEffect* effect, FloatType** inputs, FloatType** outputs, int frames, Process wrapped) noexcept;

    static void processReplacing (AEffect* effect, float** inputs, float** outputs, int frames);
    static void processDoubleReplacing (AEffect* effect, double** inputs, double** outputs, int frames);
};
