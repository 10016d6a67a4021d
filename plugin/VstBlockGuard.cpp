#include "VstBlockGuard.h"

#include <algorithm>
#include <atomic>

namespace
{
    // The wrapper's entries are the same functions for every instance.
    std::atomic<AEffectProcessProc> wrappedFloat { nullptr };
    std::atomic<AEffectProcessDoubleProc> wrappedDouble { nullptr };
}

void VstBlockGuard::install (AEffect* effect) noexcept
{
    if (effect == nullptr || effect->numOutputs > maxChannels)
        return;

    if (effect->processReplacing != nullptr && effect->processReplacing != &processReplacing)
    {
        wrappedFloat.store (effect->processReplacing, std::memory_order_relaxed);
        effect->processReplacing = &processReplacing;
    }

    if (effect->processDoubleReplacing != nullptr && effect->processDoubleReplacing != &processDoubleReplacing)
    {
        wrappedDouble.store (effect->processDoubleReplacing, std::memory_order_relaxed);
        effect->processDoubleReplacing = &processDoubleReplacing;
    }
}

void VstBlockGuard::processReplacing (AEffect* effect, float** inputs, float** outputs, int frames)
{
    process (effect, inputs, outputs, frames, wrappedFloat.load (std::memory_order_relaxed));
}

void VstBlockGuard::processDoubleReplacing (AEffect* effect, double** inputs, double** outputs, int frames)
{
    process (effect, inputs, outputs, frames, wrappedDouble.load (std::memory_order_relaxed));
}

template <typename FloatType, typename Process>
void VstBlockGuard::process (AEffect* effect, FloatType** inputs, FloatType** outputs, int frames, Process wrapped) noexcept
{
    if (frames <= 0 || wrapped == nullptr)
        return;

    const int numChannels = effect->numOutputs;
    bool complete = outputs != nullptr;

    for (int i = 0; complete && i < numChannels; ++i)
        for (int j = 0; j <= i && complete; ++j)
            complete = outputs[i] != nullptr && (j == i || outputs[j] != outputs[i]);

    if (complete)
    {
        wrapped (effect, inputs, outputs, frames);
        return;
    }

    // The whole block's MIDI goes with the first piece.
    FloatType scratch[maxChannels][scratchFrames];
    FloatType* pieces[maxChannels] = { scratch[0], scratch[1] };

    for (int start = 0; start < frames; start += scratchFrames)
    {
        const int length = std::min (scratchFrames, frames - start);
        wrapped (effect, inputs, pieces, length);

        for (int i = 0; outputs != nullptr && i < numChannels; ++i)
            if (outputs[i] != nullptr)
                std::copy (scratch[i], scratch[i] + length, outputs[i] + start);
    }
}
