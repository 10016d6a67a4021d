#include "BankListCell.h"

#include "BankListComponent.h"
#include "BankPopover.h"

BankListCell::BankListCell (int rowNumber, bool, const juce::String& bankName, BankListComponent* listModel)
    : BrowserRowCell ({ 2, 0, 330, 22 }, "U+2716", 290)
{
    // A new row never starts in remove mode; the next refresh shows the glyph.
    update (rowNumber, bankName, false, listModel);

    setRowActions ([this] { model->openBankAt (row); },
                   [this] { model->removeBankAt (row); });
}

BankListCell::~BankListCell() = default;

void BankListCell::update (int rowNumber, const juce::String& bankName, bool removeMode, BankListComponent* listModel)
{
    model = listModel;
    row = rowNumber;

    auto& name = getNameButton();
    name.setButtonText (bankName);
    name.setTooltip (bankName);
    name.setToggleState (bankName.equalsIgnoreCase (model->getPopover().getCurrentBank()), juce::dontSendNotification);

    const auto isSystemBank = bankName == "All" || bankName == "Favourites";
    getDeleteButton().setVisible (removeMode && ! isSystemBank);
}
