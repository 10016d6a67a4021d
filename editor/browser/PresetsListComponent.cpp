#include "PresetsListComponent.h"

#include "BankPopover.h"
#include "PresetListCell.h"
#include "PresetsList.h"
#include "QmBankCollection.h"

PresetsListComponent::PresetsListComponent (PresetsList* owner)
    : page (owner)
{
    std::tie (currentBank, currentPreset) = page->getPopover().readClientNames();
}

PresetsListComponent::~PresetsListComponent() = default;

void PresetsListComponent::setPresets (const juce::Array<QmPreset*>& shown)
{
    rows.clear();

    for (auto* preset : shown)
        rows.add ({ preset->bank != nullptr ? preset->bank->name : juce::String(), preset->name, preset->index, preset->fav });
}

int PresetsListComponent::findRow (const juce::String& bankName, const juce::String& presetName) const
{
    for (int i = 0; i < rows.size(); ++i)
        if (rows.getReference (i).bankName == bankName && rows.getReference (i).presetName == presetName)
            return i;

    return -1;
}

void PresetsListComponent::setCurrentNames (const juce::String& bankName, const juce::String& presetName)
{
    currentBank = bankName;
    currentPreset = presetName;
}

juce::Component* PresetsListComponent::refreshComponentForRow (int row, bool isRowSelected, juce::Component* existing)
{
    const auto* data = getRowData (row);

    // A row past the end keeps no cell, so no cell outlives the model it points to.
    if (data == nullptr)
    {
        delete existing;
        return nullptr;
    }

    if (auto* cell = dynamic_cast<PresetListCell*> (existing))
    {
        cell->update (row, *data, page->isRemoveMode(), this);
        return cell;
    }

    delete existing;
    return new PresetListCell (row, isRowSelected, *data, this);
}

QmPreset::Ptr PresetsListComponent::findPreset (int row) const
{
    const auto* data = getRowData (row);
    auto* collection = page->getPopover().getCollection();

    if (data == nullptr || collection == nullptr)
        return {};

    const juce::ScopedLock sl (collection->getLock());
    return collection->findPreset (data->bankName, data->presetName);
}

void PresetsListComponent::presetChosen (int row)
{
    const auto preset = findPreset (row);

    // The preset went under the click: show the list as it is now.
    if (preset == nullptr)
    {
        page->triggerRefresh();
        return;
    }

    // The page's bank, "All" and "Favourites" included; loading then names
    // the preset's own bank.
    setCurrentNames (page->getBankName(), preset->name);
    auto& popover = page->getPopover();
    popover.writeCurrentNames (currentBank, currentPreset);
    popover.presetLoaded (preset.get());
    page->triggerContentUpdate();
}

void PresetsListComponent::removePresetAt (int row)
{
    const auto* data = getRowData (row);

    if (data == nullptr || findPreset (row) == nullptr)
    {
        page->triggerRefresh();
        return;
    }

    // Removed from its own bank, whichever page shows it. "All" and
    // "Favourites" show names alone, so there the box names that bank.
    const auto bankName = data->bankName;
    const auto presetName = data->presetName;
    const auto named = page->isSystemBankPage();
    const auto title = "Remove preset " + presetName + (named ? " from " + bankName : juce::String());
    const auto message = "Do you really want to remove this preset" + (named ? " from the bank '" + bankName + "'" : juce::String())
                         + "?\nThis cannot be undone.";
    const juce::Component::SafePointer<PresetsList> target (page);

    page->getPopover().getDialogs().confirm (title, message, page,
                                             [target, bankName, presetName] (bool ok)
                                             {
                                                 if (target == nullptr)
                                                     return;

                                                 if (ok)
                                                     target->removePreset (bankName, presetName);

                                                 target->triggerRefresh();
                                             });
}

void PresetsListComponent::setFavouriteAt (int row, bool fav)
{
    const auto* data = getRowData (row);
    auto* collection = page->getPopover().getCollection();

    if (const auto preset = findPreset (row))
    {
        preset->fav = fav;

        // The bank manager listens to every bank: it saves the preset's own
        // bank and rebuilds "All" and "Favourites".
        if (auto* bank = collection->getBank (data->bankName))
            PresetsList::tellListeners (*bank, [&preset, fav] (PresetListener& l) { l.presetFavouriteChanged (preset.get(), fav); });

        page->getPopover().reportFailure();
    }

    // On "Favourites" an unmarked preset leaves the list.
    page->triggerRefresh();
}
