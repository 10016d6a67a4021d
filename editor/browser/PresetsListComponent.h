#pragma once

#include "QmPreset.h"

#include <juce_gui_basics/juce_gui_basics.h>

class PresetsList;

/** The preset list's model: the presets the page's filter showed at the last
    refresh, held so they outlive a removal until the next refresh. Rows act on
    the bank's filtered preset at their index, found afresh at the click. */
class PresetsListComponent : public juce::ListBoxModel
{
public:
    explicit PresetsListComponent (PresetsList* page);
    ~PresetsListComponent() override;

    void setPresets (const juce::Array<QmPreset*>& shown);
    QmPreset* getPreset (int row) const                 { return presets[row].get(); }
    PresetsList& getPage() const noexcept               { return *page; }

    juce::String getCurrentBank() const                 { return currentBank; }
    juce::String getCurrentPreset() const               { return currentPreset; }
    void setCurrentNames (const juce::String& bankName, const juce::String& presetName);

    int getNumRows() override                           { return presets.size(); }
    void paintListBoxItem (int, juce::Graphics&, int, int, bool) override {}

    /** A PresetListCell for each row; rows past the end have none. */
    juce::Component* refreshComponentForRow (int row, bool isRowSelected, juce::Component* existing) override;

    /** Makes the row's preset current and loads it. */
    void presetChosen (int row);

    /** Asks, and on OK removes the row's preset from its own bank and file. */
    void removePresetAt (int row);

    /** Sets the row's favourite flag and has its bank saved. */
    void setFavouriteAt (int row, bool fav);

private:
    PresetsList* page;
    juce::ReferenceCountedArray<QmPreset> presets;
    juce::String currentPreset, currentBank;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (PresetsListComponent)
};
