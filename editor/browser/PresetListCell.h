#pragma once

#include "BrowserRowCell.h"
#include "FavIcon.h"
#include "PresetsListComponent.h"

/** A row of the preset list: the favourite star and the preset's number and
    name (the bare name on the pages of "All" and "Favourites"); in remove mode
    the delete glyph. The current preset's row is highlighted. */
class PresetListCell : public BrowserRowCell
{
public:
    PresetListCell (int row, bool isRowSelected, const PresetsListComponent::Row& data, PresetsListComponent* model);
    ~PresetListCell() override;

    /** Shows the row as the model copied it. */
    void update (int row, const PresetsListComponent::Row& data, bool removeMode, PresetsListComponent* model);

    const juce::String& getPresetName() const noexcept  { return presetName; }
    FavIcon& getFavIcon() noexcept                      { return favIcon; }
    int getRow() const noexcept                         { return row; }

private:
    int row = 0;
    PresetsListComponent* model = nullptr;
    juce::String presetName;
    FavIcon favIcon { "fav" };

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (PresetListCell)
};
