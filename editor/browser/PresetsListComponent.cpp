#include "PresetsListComponent.h"

#include "BankPopover.h"
#include "PresetListCell.h"
#include "PresetsList.h"
#include "QmBank.h"

PresetsListComponent::PresetsListComponent (PresetsList* owner)
    : page (owner)
{
    std::tie (currentBank, currentPreset) = page->getPopover().readClientNames();
}

PresetsListComponent::~PresetsListComponent() = default;

void PresetsListComponent::setPresets (const juce::Array<QmPreset*>& shown)
{
    presets.clear();

    for (auto* preset : shown)
        presets.add (preset);
}

void PresetsListComponent::setCurrentNames (const juce::String& bankName, const juce::String& presetName)
{
    currentBank = bankName;
    currentPreset = presetName;
}

juce::Component* PresetsListComponent::refreshComponentForRow (int row, bool isRowSelected, juce::Component* existing)
{
    auto* preset = getPreset (row);

    // A row past the end keeps no cell, so no cell outlives the model it points to.
    if (preset == nullptr)
    {
        delete existing;
        return nullptr;
    }

    if (auto* cell = dynamic_cast<PresetListCell*> (existing))
    {
        cell->update (row, preset, page->isRemoveMode(), this);
        return cell;
    }

    delete existing;
    return new PresetListCell (row, isRowSelected, preset, this);
}

void PresetsListComponent::presetChosen (int row)
{
    auto* bank = page->getBank();
    QmPreset::Ptr preset (bank != nullptr ? bank->getFilteredPresetAt (row) : nullptr);

    // The list changed under the click: show it as it is now.
    if (preset == nullptr)
    {
        page->triggerRefresh();
        return;
    }

    // The page's bank, "All" and "Favourites" included; loading then names
    // the preset's own bank.
    setCurrentNames (bank->name, preset->name);
    auto& popover = page->getPopover();
    popover.writeCurrentNames (currentBank, currentPreset);
    popover.presetLoaded (preset.get());
    page->triggerContentUpdate();
}

void PresetsListComponent::removePresetAt (int row)
{
    auto* bank = page->getBank();
    auto* preset = bank != nullptr ? bank->getFilteredPresetAt (row) : nullptr;

    if (preset == nullptr || preset->bank == nullptr)
    {
        page->triggerRefresh();
        return;
    }

    // Removed from its own bank, whichever page shows it.
    const auto bankName = preset->bank->name;
    const auto presetName = preset->name;
    const juce::Component::SafePointer<PresetsList> target (page);

    page->getPopover().getDialogs().confirm ("Remove preset " + presetName,
                                             "Do you really want to remove this preset?\nThis cannot be undone.",
                                             page,
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
    auto* bank = page->getBank();
    QmPreset::Ptr preset (bank != nullptr ? bank->getFilteredPresetAt (row) : nullptr);

    if (preset != nullptr)
    {
        preset->fav = fav;

        // The bank manager listens to every bank: it saves the preset's own
        // bank and rebuilds "All" and "Favourites".
        if (bank->presets.contains (preset.get()))
            bank->listeners.call ([&preset, fav] (PresetListener& l) { l.presetFavouriteChanged (preset.get(), fav); });
    }

    // On "Favourites" an unmarked preset leaves the list.
    page->triggerRefresh();
}
