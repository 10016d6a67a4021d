#pragma once

#include "QmPreset.h"

#include <juce_gui_basics/juce_gui_basics.h>

class PresetsList;

/** The preset list's model: what each row shows, copied from the presets the
    page's filter gave at the last refresh.

    No preset or bank is held: the bank manager may free or replace them under
    any of its calls (a removal, an import, a reload). A row acts on the
    preset found again by its own bank's name and its name at the click, and
    does nothing when that preset is gone.
*/
class PresetsListComponent : public juce::ListBoxModel
{
public:
    /** One row as it was at the refresh. */
    struct Row
    {
        juce::String bankName;      // the preset's own bank, "" when it has none
        juce::String presetName;
        int index = 0;              // 1-based, in its own bank
        bool fav = false;
    };

    explicit PresetsListComponent (PresetsList* page);
    ~PresetsListComponent() override;

    void setPresets (const juce::Array<QmPreset*>& shown);
    const Row* getRowData (int row) const               { return juce::isPositiveAndBelow (row, rows.size()) ? &rows.getReference (row) : nullptr; }

    /** The row of the named preset of the named bank, or -1. */
    int findRow (const juce::String& bankName, const juce::String& presetName) const;

    PresetsList& getPage() const noexcept               { return *page; }

    juce::String getCurrentBank() const                 { return currentBank; }
    juce::String getCurrentPreset() const               { return currentPreset; }
    void setCurrentNames (const juce::String& bankName, const juce::String& presetName);

    int getNumRows() override                           { return rows.size(); }
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
    /** The row's preset as the bank manager holds it now, or null. */
    QmPreset::Ptr findPreset (int row) const;

    PresetsList* page;
    juce::Array<Row> rows;
    juce::String currentPreset, currentBank;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (PresetsListComponent)
};
