#include "VstMidiBufferSizer.h"

#include "KorvixAudioProcessor.h"

#include <atomic>

namespace
{
    // The wrapper's dispatcher and process entry are the same functions for
    // every instance; the host callback is the process's one host.
    std::atomic<AEffectDispatcherProc> wrappedDispatcher { nullptr };
    std::atomic<AEffectProcessProc> wrappedProcess { nullptr };
    std::atomic<audioMasterCallback> sizedHost { nullptr };

    /** Set while this thread runs a sizing block. */
    thread_local bool sizing = false;

    constexpr int maxOutputs = 2;

    // The wrapper's debug checks want every event inside a block of samples:
    // a debug build would stop on each event of the sizing block.
   #if JUCE_DEBUG
    constexpr bool sizingWanted = false;
   #else
    constexpr bool sizingWanted = true;
   #endif
}

AEffect* VstMidiBufferSizer::createEffect (audioMasterCallback host, AEffect* (*entry) (audioMasterCallback))
{
    audioMasterCallback expected = nullptr;

    if (! sizingWanted || host == nullptr || ! (sizedHost.compare_exchange_strong (expected, host) || expected == host))
        return entry (host);

    auto* effect = entry (&callHost);

    if (effect == nullptr || effect->numOutputs > maxOutputs || effect->dispatcher == nullptr || effect->processReplacing == nullptr)
        return effect;

    wrappedDispatcher.store (effect->dispatcher, std::memory_order_relaxed);
    wrappedProcess.store (effect->processReplacing, std::memory_order_relaxed);
    effect->dispatcher = &dispatch;
    return effect;
}

VstIntPtr VstMidiBufferSizer::dispatch (AEffect* effect, int opcode, int index, VstIntPtr value, void* ptr, float opt)
{
    const auto result = wrappedDispatcher.load (std::memory_order_relaxed) (effect, opcode, index, value, ptr, opt);

    if (opcode == effMainsChanged && value != 0)
        sizeBuffers (effect);

    return result;
}

VstIntPtr VstMidiBufferSizer::callHost (AEffect* effect, int opcode, int index, VstIntPtr value, void* ptr, float opt)
{
    if (sizing && opcode == audioMasterProcessEvents)
        return 0;

    return sizedHost.load (std::memory_order_relaxed) (effect, opcode, index, value, ptr, opt);
}

void VstMidiBufferSizer::sizeBuffers (AEffect* effect)
{
    // The block's MIDI buffer is filled by the processor: handing the wrapper
    // the events would cost it a search of all earlier ones for each.
    float silence[maxOutputs] = {};
    float* outputs[maxOutputs] = { &silence[0], &silence[1] };

    sizing = true;
    KorvixAudioProcessor::setFillsEmptyBlocks (true);
    wrappedProcess.load (std::memory_order_relaxed) (effect, nullptr, outputs, 0);
    KorvixAudioProcessor::setFillsEmptyBlocks (false);
    sizing = false;
}
