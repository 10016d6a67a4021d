// The MIDI map file "midimapper.mrb".
#include "FuzzSetup.h"
#include "QmMidiMapper.h"

extern "C" int LLVMFuzzerInitialize (int*, char***)
{
    useTemporaryHome();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput (const uint8_t* data, size_t size)
{
    juce::MemoryInputStream in (data, size, false);
    QmMidiMapper::Bindings bindings;

    if (! QmMidiMapper::readMap (in, bindings))
        return 0;

    // Bindings we read are written as a map that reads back to the same ones.
    const auto document = QmMidiMapper::writeMap (bindings);
    juce::MemoryInputStream written (document, false);
    QmMidiMapper::Bindings again;
    require (QmMidiMapper::readMap (written, again) && again.controllerToParameter == bindings.controllerToParameter);
    return 0;
}
