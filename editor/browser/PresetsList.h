#pragma once

#include "PresetListener.h"
#include "TagsContainer.h"

#include <juce_gui_basics/juce_gui_basics.h>

class BankPopover;
class PresetsListComponent;
class QmBank;
class SearchBoxLookAndFeel;
class TagButtonLookAndFeel;

/** The second page of the preset browser: one bank's presets, narrowed by a
    search box, where the current sound is saved as a new preset or over an
    existing one, presets are removed and favourites marked.

    The bank page owns it. It keeps its bank's name and finds the bank again
    through the bank manager whenever it acts, so a bank that went away leaves
    an empty page rather than a dangling one. Message thread only; refreshes
    asked for by rows and dialogs run from the message loop.
*/
class PresetsList : public juce::Component,
                    public juce::Button::Listener,
                    public juce::TextEditor::Listener,
                    public juce::KeyListener,
                    public PresetListener,
                    public juce::AsyncUpdater
{
public:
    PresetsList (QmBank* bank, BankPopover* popover);
    ~PresetsList() override;

    /** Filters the bank by the search text and rebuilds the list; the new model
        is in place before the old one is deleted. */
    void refreshPresets();

    /** refreshPresets from the message loop. */
    void triggerRefresh();

    /** The list's rows re-read their state, from the message loop. */
    void triggerContentUpdate();

    /** On the page of the preset's own bank: makes it the current row,
        highlighted and scrolled into view. On other pages no row is
        highlighted. */
    void selectCurrentPreset (const juce::String& presetBankName, const juce::String& presetName);

    /** Removes the named preset from the named user bank (and so from its file). */
    void removePreset (const juce::String& bankName, const juce::String& presetName);

    /** Tells the bank's listeners, last first. They are copied first, so a
        listener may replace or free the bank. */
    static void tellListeners (QmBank& bank, const std::function<void (PresetListener&)>& call);

    /** The bank shown, found again by name; null when it is gone. */
    QmBank* getBank() const;
    const juce::String& getBankName() const noexcept    { return bankName; }
    bool isSystemBankPage() const noexcept              { return systemBank; }

    BankPopover& getPopover() const noexcept            { return *popover; }
    bool isRemoveMode() const noexcept                  { return removeMode; }
    juce::ListBox& getList() noexcept                   { return list; }
    PresetsListComponent* getListModel() const noexcept { return listModel.get(); }

    //==============================================================================
    void presetLoaded (QmPreset* preset) override;

    void buttonClicked (juce::Button* button) override;
    void textEditorTextChanged (juce::TextEditor& editor) override;
    void textEditorReturnKeyPressed (juce::TextEditor& editor) override;
    bool keyPressed (const juce::KeyPress& key, juce::Component* originator) override;
    using juce::Component::keyPressed;

    void visibilityChanged() override;
    void paint (juce::Graphics& g) override;

    void handleAsyncUpdate() override;

private:
    void enterNameEntry();
    void leaveNameEntry();
    void save();
    void askOverwrite (const juce::String& name);
    void overwrite (const juce::String& presetName);
    void makeCurrent (const juce::String& presetName);

    BankPopover* popover;
    juce::String bankName;
    bool systemBank = false;

    // Before the components that use them, so they go after them.
    std::unique_ptr<TagButtonLookAndFeel> tagLookAndFeel;
    std::unique_ptr<SearchBoxLookAndFeel> searchLookAndFeel;

    juce::Component header, footer;
    juce::Label bankNameLabel;
    std::unique_ptr<juce::TextButton> banksButton, removeButton, savePresetButton, saveButton, backButton;
    TagsContainer lowerTags, upperTags;
    juce::ListBox list;
    juce::TextEditor searchBox, nameEditor;
    juce::ImageButton searchImage { "searchImageButton" };

    juce::Array<int> selectedTags;
    std::unique_ptr<PresetsListComponent> listModel;
    bool removeMode = false;
    bool refreshPending = false, contentUpdatePending = false;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (PresetsList)
};
