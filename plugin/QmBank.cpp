#include "QmBank.h"

#include "PresetMarshaller.h"

#include <unordered_set>

QmBank::QmBank() = default;

QmBank::~QmBank()
{
    for (int i = presets.size(); --i >= 0;)
        presets.remove (i);
}

bool QmBank::addPreset (QmPreset* preset)
{
    if (preset == nullptr)
        return false;

    preset->name = PresetMarshaller::writableName (preset->name);

    if (findPresetByName (preset->name) != nullptr)
        return false;

    preset->bank = this;
    presets.add (preset);

    const auto presetName = preset->name;
    listeners.call ([this, &presetName] (PresetListener& l) { l.presetAdded (this, presetName); });

    renumberPresets();
    return true;
}

void QmBank::addPresets (const juce::ReferenceCountedArray<QmPreset>& newPresets)
{
    std::unordered_set<juce::String> taken;

    for (auto* p : presets)
        taken.insert (p->name);

    presets.ensureStorageAllocated (presets.size() + newPresets.size());

    for (auto* preset : newPresets)
    {
        preset->name = PresetMarshaller::writableName (preset->name);

        if (taken.insert (preset->name).second)
        {
            preset->bank = this;
            presets.add (preset);
        }
    }

    renumberPresets();
}

void QmBank::removePreset (QmPreset* preset)
{
    // Copy the name first: removing the last reference destroys the preset.
    const auto presetName = preset != nullptr ? preset->name : juce::String();
    presets.removeObject (preset);

    listeners.call ([this, &presetName] (PresetListener& l) { l.presetRemoved (this, presetName); });
    renumberPresets();
}

QmPreset* QmBank::findPresetByName (juce::String presetName) const
{
    for (auto* p : presets)
        if (p->name == presetName)
            return p;

    return nullptr;
}

void QmBank::renumberPresets()
{
    // A system bank shares its presets with their own banks, whose numbers they keep.
    if (isSystem)
        return;

    for (int i = 0; i < presets.size(); ++i)
        presets.getUnchecked (i)->index = i + 1;
}

juce::Array<QmPreset*> QmBank::filterPresets (juce::Array<int> tags, juce::String text)
{
    tagFilter = tags;
    searchText = text;

    const auto needle = text.toLowerCase();
    juce::Array<QmPreset*> result;

    for (auto* p : presets)
    {
        if (needle.isNotEmpty() && ! p->name.toLowerCase().contains (needle))
            continue;

        bool hasAllTags = true;

        for (auto tag : tags)
            hasAllTags = hasAllTags && p->tags.contains (tag);

        if (hasAllTags)
            result.add (p);
    }

    return result;
}

QmPreset* QmBank::getFilteredPresetAt (int i)
{
    const auto filtered = filterPresets (tagFilter, searchText);
    return filtered[i];
}

void QmBank::addListener (PresetListener* listener)
{
    if (listener != nullptr)
        listeners.add (listener);
}

void QmBank::removeListener (PresetListener* listener)
{
    listeners.remove (listener);
}

juce::ReferenceCountedArray<QmPreset> QmBank::getPresets() const
{
    return presets;
}
