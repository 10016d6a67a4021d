#include "BankListComponent.h"

#include "BankListCell.h"
#include "BankPopover.h"
#include "QmBankCollection.h"

BankListComponent::BankListComponent (BankPopover* owner)
    : popover (owner)
{
}

BankListComponent::~BankListComponent() = default;

juce::Component* BankListComponent::refreshComponentForRow (int row, bool isRowSelected, juce::Component* existing)
{
    // A row past the end keeps no cell, so no cell outlives the model it points to.
    if (row < 0 || row >= bankNames.size())
    {
        delete existing;
        return nullptr;
    }

    if (auto* cell = dynamic_cast<BankListCell*> (existing))
    {
        cell->update (row, bankNames[row], popover->isRemoveMode(), this);
        return cell;
    }

    delete existing;
    return new BankListCell (row, isRowSelected, bankNames[row], this);
}

void BankListComponent::openBankAt (int row)
{
    if (! popover->openPresetPage (getBankName (row)))
        popover->triggerBankListRefresh();
}

void BankListComponent::removeBankAt (int row)
{
    auto* collection = popover->getCollection();
    const auto name = getBankName (row);
    auto* bank = collection != nullptr ? collection->getBank (name) : nullptr;

    if (bank == nullptr || bank->isSystem)
        return;

    const juce::Component::SafePointer<BankPopover> page (popover);

    popover->getDialogs().confirm ("Remove bank " + bank->name,
                                   "Do you really want to remove this bank?\nThis cannot be undone.",
                                   popover,
                                   [page, name] (bool ok)
                                   {
                                       if (page == nullptr)
                                           return;

                                       if (auto* found = ok ? page->getCollection()->getBank (name) : nullptr)
                                           if (! found->isSystem && page->getCollection()->deleteBank (found))
                                               page->bankRemoved (name);

                                       page->reportFailure();

                                       page->triggerBankListRefresh();
                                   });
}
