#pragma once

#include <juce_core/juce_core.h>

class QmBank;
class QmPreset;

/** Notifications about presets and banks; every one does nothing by default. */
class PresetListener
{
public:
    virtual ~PresetListener() = default;

    virtual void presetLoaded (QmPreset* preset) {}
    virtual void bankAdded (juce::String bankName) {}
    virtual void bankRemoved (juce::String bankName) {}

    /** The bank's presets were replaced by those of its file, which another
        instance had changed: presets of it held from before are no longer listed. */
    virtual void bankReloaded (juce::String bankName) {}
    virtual void presetAdded (QmBank* bank, juce::String presetName) {}
    virtual void presetRemoved (QmBank* bank, juce::String presetName) {}
    virtual void presetChanged (QmPreset* preset) {}
    virtual void presetFavouriteChanged (QmPreset* preset, bool fav) {}
};
