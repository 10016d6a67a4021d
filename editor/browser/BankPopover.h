#pragma once

#include "BrowserDialogs.h"
#include "PanelPalette.h"
#include "PresetListener.h"

#include <juce_gui_basics/juce_gui_basics.h>

class BankListComponent;
class BlueButtonLookAndFeel;
class PresetsList;
class QmBankCollection;
class QmPresetClient;
class RightJustifiedButtonLookAndFeel;

/** The first page of the preset browser: the list of banks, where banks are
    created, imported and removed and from which a bank's preset page opens.

    It is also the browser's hub: it owns the button look-and-feels, the
    dialogs and the preset page, remembers the current bank and preset, and its
    presetLoaded is the one path by which a preset chosen in the browser is made
    current. The editor creates it once; each showing puts it (and its preset
    page) into a fresh container that the call-out box owns and deletes.

    Message thread only. Work that could destroy a list model, a row or a page
    while one of its methods is still running (refreshes from rows and dialogs,
    closing a preset page) is deferred to the message loop.
*/
class BankPopover : public juce::Component,
                    public juce::Button::Listener,
                    public juce::TextEditor::Listener,
                    public PresetListener,
                    public juce::AsyncUpdater
{
public:
    BankPopover (QmBankCollection* collection, QmPresetClient* client);
    ~BankPopover() override;

    //==============================================================================
    /** The call-out box's content component for the current showing. */
    void setContainer (juce::Component* newContainer);
    juce::Component* getContainer() const noexcept             { return container.getComponent(); }

    /** A 330 x 250 container holding this popover and its preset page, the
        page visible when there is one, both lists refreshed: the content of a
        new call-out box. */
    std::unique_ptr<juce::Component> createContainer();

    /** Rebuilds the bank list from the collection; the new model is in place
        before the old one is deleted. */
    void refreshBankList();

    /** refreshBankList from the message loop. */
    void triggerBankListRefresh();

    void bankListChanged (juce::String bankName);

    //==============================================================================
    /** Opens the preset page of the named bank, replacing any open one; false
        when there is no such bank. */
    bool openPresetPage (const juce::String& bankName);

    /** Shows the bank list again; the preset page goes from the message loop. */
    void closePresetPage();

    PresetsList* getPresetPage() const noexcept                 { return presetPage.get(); }

    //==============================================================================
    /** The names the browser takes as current. */
    juce::String getCurrentBank() const                         { return currentBank; }
    juce::String getCurrentPreset() const                       { return currentPreset; }
    void setCurrentNames (const juce::String& bankName, const juce::String& presetName);

    /** Sets the names here and in the client's properties. */
    void writeCurrentNames (const juce::String& bankName, const juce::String& presetName);

    /** The client's "currentBank" and "currentPreset", read under the bank
        manager's lock. */
    std::pair<juce::String, juce::String> readClientNames() const;

    QmBankCollection* getCollection() const noexcept            { return collection; }
    QmPresetClient* getClient() const noexcept                  { return client; }
    bool isRemoveMode() const noexcept                          { return removeMode; }
    juce::ListBox& getBankList() noexcept                       { return bankList; }
    BlueButtonLookAndFeel& getBlueLookAndFeel() noexcept        { return *blueLookAndFeel; }
    RightJustifiedButtonLookAndFeel& getRightLookAndFeel() noexcept { return *rightLookAndFeel; }

    BrowserDialogs& getDialogs() noexcept                       { return *dialogs; }

    /** Shows in a box why the collection's last change failed, if it did,
        then showCollectionAsItIs; true when it did. */
    bool reportFailure();

    /** Names in a box the bank files that could not be read, once. */
    void reportSkippedBanks();
    void setDialogs (std::unique_ptr<BrowserDialogs> newDialogs);

    juce::File getImportFolder() const                          { return importFolder; }

    /** A browser text button: its text only, in the given colour, drawn by
        the given look-and-feel. */
    static std::unique_ptr<juce::TextButton> makeButton (const juce::String& text, const juce::String& tooltip,
                                                         juce::LookAndFeel& lookAndFeel, juce::Button::Listener* listener,
                                                         juce::Colour textColour = juce::Colour (PanelPalette::text));

    /** The list moves to the new model before the old one is deleted: the
        rows still point to the old one until the list updates them. */
    template <typename Model>
    static void replaceModel (juce::ListBox& list, std::unique_ptr<Model>& owned, std::unique_ptr<Model> replacement)
    {
        list.setModel (replacement.get());
        owned.swap (replacement);
        list.updateContent();
        list.repaint();
    }

    /** The place, colours and row height of the browser's lists. */
    static void styleList (juce::ListBox& list);

    /** Sets a button's text and both of its text colours. */
    static void setButtonTextAndColour (juce::TextButton& button, const juce::String& text, juce::Colour colour);

    //==============================================================================
    void presetLoaded (QmPreset* preset) override;
    void bankAdded (juce::String bankName) override            { bankListChanged (bankName); }

    /** showCollectionAsItIs: the bank is gone from the collection. */
    void bankRemoved (juce::String bankName) override;

    void buttonClicked (juce::Button* button) override;
    void textEditorTextChanged (juce::TextEditor& editor) override;
    void textEditorReturnKeyPressed (juce::TextEditor& editor) override;

    void visibilityChanged() override;
    void paint (juce::Graphics& g) override;

    void handleAsyncUpdate() override;

    static constexpr int width = 330, height = 250;

private:
    /** From the message loop: the current names read again, the bank list
        and an open preset page refreshed, a page whose bank is gone closed.
        The collection may have dropped a bank and made another preset current. */
    void showCollectionAsItIs();

    void readCurrentNames();
    void enterNameEntry();
    void leaveNameEntry();
    void saveNewBank();
    void importChosenFile (const juce::File& file);
    const juce::CriticalSection& getNamesLock() const noexcept;

    // Destroyed last: every button using them goes first.
    std::unique_ptr<BlueButtonLookAndFeel> blueLookAndFeel;
    std::unique_ptr<RightJustifiedButtonLookAndFeel> rightLookAndFeel;

    QmBankCollection* collection = nullptr;
    QmPresetClient* client = nullptr;

    juce::DrawableRectangle background;
    juce::Component header, footer;
    std::unique_ptr<juce::TextButton> removeButton, addButton, backButton, saveButton, importButton;
    juce::Label titleLabel, warningLabel;
    juce::ListBox bankList;
    juce::TextEditor nameEditor;

    std::unique_ptr<BankListComponent> listModel;
    std::unique_ptr<PresetsList> presetPage;
    juce::OwnedArray<PresetsList> closedPages;
    std::unique_ptr<BrowserDialogs> dialogs;

    juce::Component::SafePointer<juce::Component> container;
    juce::File importFolder;
    juce::String currentBank, currentPreset;
    bool removeMode = false;
    bool bankListRefreshPending = false, collectionCheckPending = false;
    bool skippedBanksReportPending = false;
    juce::CriticalSection unsharedLock;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (BankPopover)
};
