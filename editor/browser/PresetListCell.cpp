#include "PresetListCell.h"

#include "PanelPalette.h"

#include "PresetsList.h"
#include "QmDataFolders.h"

namespace
{
    juce::Image resourceImage (const char* path)
    {
        // A missing file gives an empty image, and the star draws nothing.
        return juce::ImageCache::getFromFile (QmDataFolders::getResourceFile (path));
    }
}

PresetListCell::PresetListCell (int rowNumber, bool, const PresetsListComponent::Row& data, PresetsListComponent* listModel)
    : BrowserRowCell ({ 27, 0, 308, 22 }, "remove", 268)
{
    const auto empty = resourceImage ("buttons_faders/fav-unchecked@2.png");
    const auto filled = resourceImage ("buttons_faders/fav-checked@2.png");
    const juce::Colour unmarked (PanelPalette::subtle), marked (PanelPalette::accent);

    favIcon.setClickingTogglesState (true);
    favIcon.setImages (true, false, true, empty, 1.0f, unmarked, filled, 1.0f, marked, filled, 1.0f, marked, 0.0f);
    favIcon.setBounds (7, 2, 18, 18);
    addAndMakeVisible (favIcon);

    model = listModel;
    update (rowNumber, data, false, listModel);

    favIcon.onFavouriteChange = [this] (bool state) { model->setFavouriteAt (row, state); };
    setRowActions ([this] { model->presetChosen (row); },
                   [this] { model->removePresetAt (row); });
}

PresetListCell::~PresetListCell() = default;

void PresetListCell::update (int rowNumber, const PresetsListComponent::Row& data, bool removeMode, PresetsListComponent* listModel)
{
    model = listModel;

    auto& name = getNameButton();
    name.setButtonText (model->getPage().isSystemBankPage() ? data.presetName : juce::String (data.index) + " " + data.presetName);
    presetName = data.presetName;

    favIcon.setToggleState (data.fav, juce::dontSendNotification);
    name.setToggleState (data.bankName.isNotEmpty()
                             && model->getCurrentBank() == data.bankName
                             && model->getCurrentPreset() == data.presetName,
                         juce::dontSendNotification);
    row = rowNumber;

    getDeleteButton().setVisible (removeMode);
}
