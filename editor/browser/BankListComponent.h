#pragma once

#include "PresetListener.h"

#include <juce_gui_basics/juce_gui_basics.h>

class BankPopover;

/** The bank list's model: the bank names as they were at the last refresh,
    one row each. Rows act on banks found again by name. */
class BankListComponent : public juce::ListBoxModel,
                          public PresetListener
{
public:
    explicit BankListComponent (BankPopover* popover);
    ~BankListComponent() override;

    void setBankNames (const juce::StringArray& names)     { bankNames = names; }
    juce::String getBankName (int row) const               { return bankNames[row]; }
    BankPopover& getPopover() const noexcept                { return *popover; }

    int getNumRows() override                               { return bankNames.size(); }
    void paintListBoxItem (int, juce::Graphics&, int, int, bool) override {}

    /** A BankListCell for each row; rows past the end have none. */
    juce::Component* refreshComponentForRow (int row, bool isRowSelected, juce::Component* existing) override;

    /** Opens the row's bank on a preset page. */
    void openBankAt (int row);

    /** Asks, and on OK deletes the row's bank and its file; the list is
        rebuilt either way. */
    void removeBankAt (int row);

private:
    BankPopover* popover;
    juce::StringArray bankNames;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (BankListComponent)
};
