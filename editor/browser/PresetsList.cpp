#include "PresetsList.h"

#include "BankPopover.h"
#include "BlueButtonLookAndFeel.h"
#include "PresetListCell.h"
#include "PresetsListComponent.h"
#include "QmBankCollection.h"
#include "QmDataFolders.h"
#include "RightJustifiedButtonLookAndFeel.h"
#include "SearchBoxLookAndFeel.h"
#include "TagButtonLookAndFeel.h"
#include "WidgetFont.h"

namespace
{
    const juce::Colour panelColour (PanelPalette::face);
    const juce::Colour searchTextColour (PanelPalette::text);
}

PresetsList::PresetsList (QmBank* bank, BankPopover* owner)
    : popover (owner),
      bankName (bank != nullptr ? bank->name : juce::String()),
      systemBank (bank != nullptr && bank->isSystem),
      tagLookAndFeel (std::make_unique<TagButtonLookAndFeel>()),
      searchLookAndFeel (std::make_unique<SearchBoxLookAndFeel>())
{
    bankNameLabel.setName (bankName);
    bankNameLabel.setText (bankName, juce::dontSendNotification);
    bankNameLabel.setBounds (60, 0, 210, 30);
    bankNameLabel.setJustificationType (juce::Justification::centred);
    bankNameLabel.setColour (juce::Label::textColourId, juce::Colour (PanelPalette::text));
    bankNameLabel.setFont (widgetFont (16.0f, juce::Font::bold));

    auto& blue = popover->getBlueLookAndFeel();
    auto& right = popover->getRightLookAndFeel();
    banksButton      = BankPopover::makeButton (juce::CharPointer_UTF8 ("\xe2\x97\x81 Banks"), juce::translate ("Back to bank list"), blue, this);
    backButton       = BankPopover::makeButton (juce::CharPointer_UTF8 ("\xe2\x97\x81 Back"), juce::translate ("Back"), blue, this);
    removeButton     = BankPopover::makeButton ("Remove...", juce::translate ("Remove..."), right, this);
    saveButton       = BankPopover::makeButton ("Save", juce::translate ("Save"), right, this);
    savePresetButton = BankPopover::makeButton ("Save Preset", juce::translate ("Save Preset"), blue, this);

    banksButton->setBounds (7, 0, 80, 30);
    backButton->setBounds (7, 0, 80, 30);
    removeButton->setBounds (223, 0, 100, 30);
    saveButton->setBounds (263, 0, 60, 30);
    savePresetButton->setBounds (7, 0, 120, 30);

    header.setBounds (0, 0, 330, 30);
    header.addAndMakeVisible (*banksButton);
    header.addAndMakeVisible (*removeButton);
    header.addAndMakeVisible (bankNameLabel);
    header.addChildComponent (*saveButton);
    header.addChildComponent (*backButton);

    nameEditor.setFont (widgetFont (15.0f));
    nameEditor.setInputRestrictions (40);
    nameEditor.setReturnKeyStartsNewLine (false);
    nameEditor.addListener (this);
    nameEditor.setBounds (0, 30, 330, 25);
    addChildComponent (nameEditor);

    // A missing picture gives an empty image, which draws nothing.
    const auto magnifier = juce::ImageCache::getFromFile (QmDataFolders::getResourceFile ("buttons_faders/search.png"));
    const juce::Colour noOverlay (0x00000000);
    searchImage.setClickingTogglesState (false);
    searchImage.setImages (true, false, true, magnifier, 1.0f, noOverlay, magnifier, 1.0f, noOverlay, magnifier, 1.0f, noOverlay, 0.0f);
    searchImage.setBounds (199, 7, 18, 18);

    searchBox.setColour (juce::TextEditor::backgroundColourId, juce::Colour (0x00000000));
    searchBox.setColour (juce::TextEditor::textColourId, searchTextColour);
    searchBox.setColour (juce::TextEditor::focusedOutlineColourId, juce::Colour (0x00000000));
    searchBox.setColour (juce::TextEditor::shadowColourId, juce::Colour (0x00000000));
    searchBox.setColour (juce::TextEditor::highlightColourId, juce::Colour (PanelPalette::accent));
    searchBox.setColour (juce::TextEditor::highlightedTextColourId, juce::Colour (PanelPalette::onAccent));
    searchBox.setFont (widgetFont (14.0f, juce::Font::bold));
    searchBox.setCaretVisible (true);
    searchBox.setWantsKeyboardFocus (true);
    searchBox.setTextToShowWhenEmpty ("Type to search...", juce::Colour (PanelPalette::subtle));
    searchBox.setIndents (8, 5);
    searchBox.setBounds (215, 3, 173, 26);
    searchBox.setLookAndFeel (searchLookAndFeel.get());
    searchBox.addListener (this);

    upperTags.setBounds (0, nameEditor.getHeight() + 30, 330, 165);
    addChildComponent (upperTags);

    setBounds (0, 0, BankPopover::width, BankPopover::height);
    addAndMakeVisible (header);

    BankPopover::styleList (list);
    refreshPresets();
    addAndMakeVisible (list);

    lowerTags.setBounds (0, 220, 330, 0);
    addAndMakeVisible (lowerTags);

    footer.setBounds (0, 220, 330, 30);
    footer.addAndMakeVisible (*savePresetButton);
    footer.addAndMakeVisible (searchBox);
    footer.addAndMakeVisible (searchImage);
    addAndMakeVisible (footer);

    addKeyListener (this);
    setWantsKeyboardFocus (true);

    // The system banks take no presets from here.
    if (systemBank)
        savePresetButton->setVisible (false);
}

PresetsList::~PresetsList()
{
    cancelPendingUpdate();
    list.setModel (nullptr);
    searchBox.setLookAndFeel (nullptr);
}

//==============================================================================
QmBank* PresetsList::getBank() const
{
    auto* collection = popover->getCollection();
    return collection != nullptr ? collection->getBank (bankName) : nullptr;
}

void PresetsList::refreshPresets()
{
    auto model = std::make_unique<PresetsListComponent> (this);

    if (auto* bank = getBank())
        model->setPresets (bank->filterPresets (selectedTags, searchBox.getText()));

    BankPopover::replaceModel (list, listModel, std::move (model));
}

void PresetsList::triggerRefresh()
{
    refreshPending = true;
    triggerAsyncUpdate();
}

void PresetsList::triggerContentUpdate()
{
    contentUpdatePending = true;
    triggerAsyncUpdate();
}

void PresetsList::handleAsyncUpdate()
{
    const auto refresh = std::exchange (refreshPending, false);
    const auto update = std::exchange (contentUpdatePending, false);

    if (refresh)
        refreshPresets();
    else if (update)
        list.updateContent();
}

void PresetsList::selectCurrentPreset (const juce::String& presetBankName, const juce::String& presetName)
{
    int row = -1;

    if (presetBankName.isNotEmpty() && presetBankName == bankName)
    {
        // Rows made later, by scrolling, read the highlight from the model.
        listModel->setCurrentNames (presetBankName, presetName);
        row = listModel->findRow (presetBankName, presetName);

        if (row >= 0)
            list.scrollToEnsureRowIsOnscreen (row);
    }

    for (int i = 0; i < listModel->getNumRows(); ++i)
        if (auto* cell = dynamic_cast<PresetListCell*> (list.getComponentForRowNumber (i)))
            cell->getNameButton().setToggleState (i == row, juce::dontSendNotification);
}

void PresetsList::presetLoaded (QmPreset* preset)
{
    if (preset != nullptr)
        selectCurrentPreset (preset->bank != nullptr ? preset->bank->name : juce::String(), preset->name);
}

void PresetsList::tellListeners (QmBank& bank, const std::function<void (PresetListener&)>& call)
{
    const auto listeners = bank.listeners.getListeners();

    for (int i = listeners.size(); --i >= 0;)
        call (*listeners.getUnchecked (i));
}

void PresetsList::removePreset (const juce::String& ownBankName, const juce::String& presetName)
{
    auto* collection = popover->getCollection();
    auto* bank = collection != nullptr ? collection->getBank (ownBankName) : nullptr;

    if (bank == nullptr || bank->isSystem)
        return;

    // Its bank's listener, the bank manager, rewrites the file and the system banks.
    if (QmPreset::Ptr preset = bank->findPresetByName (presetName))
        bank->removePreset (preset.get());

    popover->reportFailure();
}

//==============================================================================
void PresetsList::buttonClicked (juce::Button* button)
{
    if (button == banksButton.get())
    {
        popover->closePresetPage();
    }
    else if (button == savePresetButton.get())
    {
        enterNameEntry();
    }
    else if (button == saveButton.get())
    {
        save();
    }
    else if (button == backButton.get())
    {
        leaveNameEntry();
    }
    else if (button == removeButton.get())
    {
        BankPopover::setButtonTextAndColour (*removeButton, removeMode ? "Remove..." : "Done",
                                              juce::Colour (removeMode ? PanelPalette::text : PanelPalette::accent));
        removeMode = ! removeMode;
        list.updateContent();
        list.repaint();
    }
}

void PresetsList::textEditorTextChanged (juce::TextEditor& editor)
{
    if (&editor == &searchBox)
        refreshPresets();
}

void PresetsList::textEditorReturnKeyPressed (juce::TextEditor& editor)
{
    if (&editor == &nameEditor)
        saveButton->triggerClick();
}

bool PresetsList::keyPressed (const juce::KeyPress& key, juce::Component*)
{
    // What the list does not take (Escape, the editor's shortcuts) goes on
    // to the box and the editor.
    list.grabKeyboardFocus();
    return list.keyPressed (key);
}

void PresetsList::visibilityChanged()
{
    refreshPresets();

    if (isVisible())
        grabKeyboardFocus();
}

void PresetsList::paint (juce::Graphics& g)
{
    g.fillAll (panelColour);
}

//==============================================================================
void PresetsList::enterNameEntry()
{
    for (auto* c : { (juce::Component*) savePresetButton.get(), (juce::Component*) removeButton.get(), (juce::Component*) banksButton.get(),
                     (juce::Component*) &list, (juce::Component*) &lowerTags, (juce::Component*) &searchBox, (juce::Component*) &searchImage })
        c->setVisible (false);

    saveButton->setVisible (true);
    backButton->setVisible (true);

    const auto [currentBank, currentPreset] = popover->readClientNames();
    auto* collection = popover->getCollection();
    auto* preset = collection != nullptr ? collection->findPreset (currentBank, currentPreset) : nullptr;

    nameEditor.setVisible (true);
    nameEditor.grabKeyboardFocus();
    upperTags.setVisible (true);

    // Pressing Save then overwrites the current preset.
    nameEditor.setText (preset != nullptr ? preset->name : juce::String(), true);
}

void PresetsList::leaveNameEntry()
{
    for (auto* c : { (juce::Component*) savePresetButton.get(), (juce::Component*) removeButton.get(), (juce::Component*) banksButton.get(),
                     (juce::Component*) &list, (juce::Component*) &lowerTags, (juce::Component*) &searchBox, (juce::Component*) &searchImage })
        c->setVisible (true);

    savePresetButton->setVisible (! systemBank);

    for (auto* c : { (juce::Component*) saveButton.get(), (juce::Component*) backButton.get(), (juce::Component*) &upperTags, (juce::Component*) &nameEditor })
        c->setVisible (false);
}

void PresetsList::save()
{
    auto* bank = getBank();
    const auto name = nameEditor.getText();

    if (bank == nullptr || bank->isSystem || name.isEmpty())
    {
        leaveNameEntry();
        return;
    }

    if (bank->findPresetByName (name) != nullptr)
    {
        askOverwrite (name);
        return;
    }

    // Held here, so a refused add frees it.
    QmPreset::Ptr preset (new QmPreset());
    preset->bank = bank;
    preset->setTags (selectedTags);
    preset->name = name;

    // The bank manager, told by the bank, gives it the current values and saves
    // the file; a preset it could not save is taken out again. The bank and
    // its presets may be other objects by then.
    bank->addPreset (preset.get());
    refreshPresets();
    auto* now = getBank();
    auto* stored = now != nullptr ? now->findPresetByName (preset->name) : nullptr;

    // Another preset of the name, read from the file: another instance saved
    // it meanwhile, and it is asked about rather than written over.
    if (stored != nullptr && stored != preset.get())
    {
        popover->getCollection()->takeLastFailure();
        askOverwrite (preset->name);
        return;
    }

    if (! popover->reportFailure() && stored != nullptr)
        makeCurrent (preset->name);

    leaveNameEntry();
}

void PresetsList::askOverwrite (const juce::String& name)
{
    const SafePointer<PresetsList> self (this);
    popover->getDialogs().confirm ("Warning", "Preset '" + name + "' already exists. Overwrite?", this,
                                   [self, name] (bool ok)
                                   {
                                       if (self == nullptr)
                                           return;

                                       if (ok)
                                           self->overwrite (name);

                                       self->leaveNameEntry();
                                   });
}

void PresetsList::overwrite (const juce::String& presetName)
{
    auto* bank = getBank();
    QmPreset::Ptr existing (bank != nullptr && ! bank->isSystem ? bank->findPresetByName (presetName) : nullptr);

    if (existing == nullptr)
        return;

    // No tag is ever selected here: the stored tags stay.
    if (! selectedTags.isEmpty())
        existing->setTags (selectedTags);

    // The bank manager stores the current values into it and saves the bank.
    tellListeners (*bank, [&existing] (PresetListener& l) { l.presetChanged (existing.get()); });

    if (! popover->reportFailure())
        makeCurrent (existing->name);
}

void PresetsList::makeCurrent (const juce::String& presetName)
{
    auto* collection = popover->getCollection();

    if (collection == nullptr)
        return;

    QmPreset::Ptr preset (collection->findPreset (bankName, presetName));

    if (preset == nullptr)
        return;

    popover->setCurrentNames (bankName, presetName);
    collection->loadPreset (preset.get());

    list.updateContent();
    selectCurrentPreset (bankName, presetName);
}
