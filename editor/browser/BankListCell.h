#pragma once

#include "BrowserRowCell.h"

class BankListComponent;

/** A row of the bank list: the bank's name; in remove mode a user bank's row
    also shows the delete glyph. The current bank's row is highlighted. */
class BankListCell : public BrowserRowCell
{
public:
    BankListCell (int row, bool isRowSelected, const juce::String& bankName, BankListComponent* model);
    ~BankListCell() override;

    void update (int row, const juce::String& bankName, bool removeMode, BankListComponent* model);

    int getRow() const noexcept                         { return row; }

private:
    int row = 0;
    BankListComponent* model = nullptr;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (BankListCell)
};
