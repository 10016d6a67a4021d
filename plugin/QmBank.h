#pragma once

#include "PresetListener.h"
#include "QmPreset.h"

/** An ordered, named list of presets: a user bank kept in one file, or one of
    the system banks "All" and "Favourites" built in memory.

    In a user bank preset names are unique (compared exactly) and each preset's
    index is its position + 1. The system banks hold references to presets of
    the user banks without changing their bank or index.
*/
class QmBank
{
public:
    QmBank();
    ~QmBank();

    /** Appends the preset and tells the listeners; false, changing nothing, when
        a preset of that name is already here. */
    bool addPreset (QmPreset* preset);

    /** Appends the presets in order, as a file lists them, dropping each one
        whose name is taken already; tells no listener. Linear in their number,
        where adding them one by one is quadratic. */
    void addPresets (const juce::ReferenceCountedArray<QmPreset>& newPresets);

    /** Removes the preset when it is here; the listeners are told either way. */
    void removePreset (QmPreset* preset);

    /** The first preset named exactly name, or null. */
    QmPreset* findPresetByName (juce::String presetName) const;

    void renumberPresets();

    /** Keeps tags and text as the current filter and returns the presets whose
        lower-cased name contains the lower-cased text (when it is not empty)
        and that carry every id of tags, in bank order. */
    juce::Array<QmPreset*> filterPresets (juce::Array<int> tags, juce::String text);

    /** Element i of the current filter's result, or null when out of range. */
    QmPreset* getFilteredPresetAt (int i);

    void addListener (PresetListener* listener);
    void removeListener (PresetListener* listener);

    juce::ReferenceCountedArray<QmPreset> getPresets() const;

    juce::String name;
    bool isSystem = false;
    juce::Array<int> tagFilter;
    juce::String searchText;
    juce::ReferenceCountedArray<QmPreset> presets;
    juce::ListenerList<PresetListener> listeners;

    /** The file a user bank was read from; saving and deleting use this file,
        never one derived from the name again. Empty for a bank not read from disk. */
    juce::File file;

    /** Identifies the file's content as this bank last read or wrote it, so
        that a change another instance made since is noticed before writing. */
    juce::String fileStamp;

private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (QmBank)
};
