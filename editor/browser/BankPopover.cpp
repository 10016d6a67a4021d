#include "BankPopover.h"

#include "BankListCell.h"
#include "BankListComponent.h"
#include "BlueButtonLookAndFeel.h"
#include "PanelPalette.h"
#include "PresetsList.h"
#include "QmBankCollection.h"
#include "QmPresetClient.h"
#include "RightJustifiedButtonLookAndFeel.h"
#include "WidgetFont.h"

namespace
{
    const juce::Colour panelColour (PanelPalette::face);
    const juce::Colour listColour (PanelPalette::raised);
}

//==============================================================================
BankPopover::BankPopover (QmBankCollection* bankCollection, QmPresetClient* presetClient)
    : blueLookAndFeel (std::make_unique<BlueButtonLookAndFeel>()),
      rightLookAndFeel (std::make_unique<RightJustifiedButtonLookAndFeel>()),
      collection (bankCollection),
      client (presetClient),
      dialogs (std::make_unique<BrowserDialogs>()),
      importFolder (juce::File::getSpecialLocation (juce::File::userHomeDirectory))
{
    readCurrentNames();

    setSize (width, height);

    background.setRectangle (juce::Parallelogram<float> (juce::Rectangle<float> (0.0f, 30.0f, 330.0f, 190.0f)));
    background.setFill (listColour);
    addAndMakeVisible (background);

    removeButton = makeButton ("Remove...", juce::translate ("Remove..."), *rightLookAndFeel, this);
    addButton    = makeButton ("Add empty...", juce::translate ("Add empty..."), *blueLookAndFeel, this);
    backButton   = makeButton (juce::CharPointer_UTF8 ("\xe2\x97\x81 Back"), juce::translate ("Back"), *blueLookAndFeel, this);
    saveButton   = makeButton ("Save", juce::translate ("Save"), *rightLookAndFeel, this);
    importButton = makeButton ("Import from file...", juce::translate ("Import from file..."), *rightLookAndFeel, this);

    removeButton->setBounds (223, 0, 100, 30);
    addButton->setBounds (7, 0, 120, 30);
    backButton->setBounds (7, 0, 80, 30);
    saveButton->setBounds (223, 0, 100, 30);
    importButton->setBounds (173, 0, 150, 30);

    titleLabel.setName ("Banks");
    titleLabel.setText (juce::translate ("Banks"), juce::dontSendNotification);
    titleLabel.setJustificationType (juce::Justification::centred);
    titleLabel.setColour (juce::Label::textColourId, juce::Colour (PanelPalette::text));
    titleLabel.setFont (widgetFont (16.0f, juce::Font::bold));
    titleLabel.setBounds (80, 0, 170, 30);

    warningLabel.setName ("warningLabel");
    warningLabel.setText ("<placeholder>", juce::dontSendNotification);

    header.setBounds (0, 0, 330, 34);
    header.addAndMakeVisible (*removeButton);
    header.addAndMakeVisible (titleLabel);
    header.addChildComponent (*saveButton);
    header.addChildComponent (*backButton);
    addAndMakeVisible (header);

    styleList (bankList);
    refreshBankList();
    addAndMakeVisible (bankList);

    nameEditor.setFont (widgetFont (15.0f));
    nameEditor.setInputRestrictions (40);
    nameEditor.setReturnKeyStartsNewLine (false);
    nameEditor.addListener (this);
    nameEditor.setBounds (0, 30, 330, 25);
    addChildComponent (nameEditor);

    warningLabel.setBounds (nameEditor.getBounds().withY (nameEditor.getBottom()));
    warningLabel.setJustificationType (juce::Justification::left);
    warningLabel.setColour (juce::Label::textColourId, juce::Colour (PanelPalette::accent));
    warningLabel.setFont (widgetFont (12.0f));
    addChildComponent (warningLabel);

    footer.setBounds (0, 220, 330, 30);
    footer.addAndMakeVisible (*importButton);
    footer.addAndMakeVisible (*addButton);
    addAndMakeVisible (footer);

    // Opens on the current preset's bank when that preset exists.
    if (collection != nullptr)
        if (auto* bank = collection->getBank (currentBank))
            if (bank->findPresetByName (currentPreset) != nullptr)
                openPresetPage (bank->name);
}

BankPopover::~BankPopover()
{
    cancelPendingUpdate();
    bankList.setModel (nullptr);
    presetPage.reset();
    closedPages.clear();
}

//==============================================================================
void BankPopover::setContainer (juce::Component* newContainer)
{
    container = newContainer;
}

std::unique_ptr<juce::Component> BankPopover::createContainer()
{
    auto content = std::make_unique<juce::Component>();
    content->setAlpha (1.0f);
    content->setSize (width, height);
    setContainer (content.get());

    setTopLeftPosition (0, 0);

    // Presets may have been stepped or a host state restored since the last showing.
    readCurrentNames();
    refreshBankList();

    // Told once the box is on screen, so that it is centred on the window.
    skippedBanksReportPending = true;
    triggerAsyncUpdate();

    if (presetPage != nullptr)
    {
        presetPage->refreshPresets();
        content->addChildComponent (this);
        content->addAndMakeVisible (*presetPage);
    }
    else
    {
        content->addAndMakeVisible (this);
    }

    return content;
}

void BankPopover::refreshBankList()
{
    auto model = std::make_unique<BankListComponent> (this);

    if (collection != nullptr)
    {
        const juce::ScopedLock sl (collection->getLock());
        juce::StringArray names;

        for (auto* bank : collection->getBanks())
            names.add (bank->name);

        model->setBankNames (names);
    }

    replaceModel (bankList, listModel, std::move (model));
}

void BankPopover::triggerBankListRefresh()
{
    bankListRefreshPending = true;
    triggerAsyncUpdate();
}

void BankPopover::bankListChanged (juce::String)
{
    triggerBankListRefresh();
}

void BankPopover::bankRemoved (juce::String)
{
    showCollectionAsItIs();
}

void BankPopover::showCollectionAsItIs()
{
    // A list model or a row of the page may be the caller.
    collectionCheckPending = true;
    triggerAsyncUpdate();
}

void BankPopover::handleAsyncUpdate()
{
    closedPages.clear();

    if (std::exchange (collectionCheckPending, false))
    {
        readCurrentNames();
        bankListRefreshPending = true;

        if (presetPage != nullptr && presetPage->getBank() == nullptr)
            closePresetPage();
        else if (presetPage != nullptr)
            presetPage->triggerRefresh();
    }

    if (std::exchange (bankListRefreshPending, false))
        refreshBankList();

    if (std::exchange (skippedBanksReportPending, false))
        reportSkippedBanks();
}

void BankPopover::reportSkippedBanks()
{
    const auto skipped = collection != nullptr ? collection->takeSkippedBankFiles() : juce::StringArray();

    if (! skipped.isEmpty())
        dialogs->inform ("Banks not listed", "These bank files in the Banks folder cannot be read, so their banks are not listed:\n\n"
                                                 + skipped.joinIntoString ("\n"), this);
}

//==============================================================================
bool BankPopover::openPresetPage (const juce::String& bankName)
{
    auto* bank = collection != nullptr ? collection->getBank (bankName) : nullptr;

    if (bank == nullptr)
        return false;

    auto page = std::make_unique<PresetsList> (bank, this);

    if (presetPage != nullptr)
    {
        presetPage->setVisible (false);
        closedPages.add (presetPage.release());
        triggerAsyncUpdate();
    }

    setVisible (false);

    if (auto* content = container.getComponent())
        content->addAndMakeVisible (*page);

    presetPage = std::move (page);
    return true;
}

void BankPopover::closePresetPage()
{
    setVisible (true);

    if (presetPage == nullptr)
        return;

    // The page may be the caller: it is hidden now and deleted from the message loop.
    presetPage->setVisible (false);

    if (auto* parent = presetPage->getParentComponent())
        parent->removeChildComponent (presetPage.get());

    closedPages.add (presetPage.release());
    triggerAsyncUpdate();
}

//==============================================================================
void BankPopover::setCurrentNames (const juce::String& bankName, const juce::String& presetName)
{
    currentBank = bankName;
    currentPreset = presetName;
}

void BankPopover::writeCurrentNames (const juce::String& bankName, const juce::String& presetName)
{
    setCurrentNames (bankName, presetName);

    if (client == nullptr)
        return;

    const juce::ScopedLock sl (getNamesLock());
    auto& properties = client->getProperties();
    properties.set ("currentBank", bankName);
    properties.set ("currentPreset", presetName);
}

void BankPopover::readCurrentNames()
{
    std::tie (currentBank, currentPreset) = readClientNames();
}

std::pair<juce::String, juce::String> BankPopover::readClientNames() const
{
    if (client == nullptr)
        return {};

    const juce::ScopedLock sl (getNamesLock());
    auto& properties = client->getProperties();
    return { properties["currentBank"], properties["currentPreset"] };
}

const juce::CriticalSection& BankPopover::getNamesLock() const noexcept
{
    return collection != nullptr ? collection->getLock() : unsharedLock;
}

void BankPopover::setDialogs (std::unique_ptr<BrowserDialogs> newDialogs)
{
    if (newDialogs != nullptr)
        dialogs = std::move (newDialogs);
}

std::unique_ptr<juce::TextButton> BankPopover::makeButton (const juce::String& text, const juce::String& tooltip,
                                                           juce::LookAndFeel& lookAndFeel, juce::Button::Listener* listener,
                                                           juce::Colour textColour)
{
    auto button = std::make_unique<juce::TextButton> (text, tooltip);
    button->setLookAndFeel (&lookAndFeel);
    button->setColour (juce::TextButton::buttonColourId, juce::Colour (0x00000000));
    setButtonTextAndColour (*button, text, textColour);

    if (listener != nullptr)
        button->addListener (listener);

    return button;
}

void BankPopover::styleList (juce::ListBox& list)
{
    list.setBounds (0, 30, 330, 190);
    list.setColour (juce::ListBox::backgroundColourId, listColour);
    list.setColour (juce::ListBox::textColourId, listColour);
    list.setColour (juce::ListBox::outlineColourId, juce::Colour (PanelPalette::edge));
    list.setRowHeight (22);

    auto& scrollBar = list.getVerticalScrollBar();
    scrollBar.setAutoHide (false);
    scrollBar.setColour (juce::ScrollBar::backgroundColourId, listColour);
    scrollBar.setColour (juce::ScrollBar::thumbColourId, juce::Colour (PanelPalette::edge));
    scrollBar.setColour (juce::ScrollBar::trackColourId, listColour);
}

void BankPopover::setButtonTextAndColour (juce::TextButton& button, const juce::String& text, juce::Colour colour)
{
    button.setButtonText (text);
    button.setColour (juce::TextButton::textColourOffId, colour);
    button.setColour (juce::TextButton::textColourOnId, colour);
}

//==============================================================================
void BankPopover::presetLoaded (QmPreset* preset)
{
    const auto bankName = (preset != nullptr && preset->bank != nullptr) ? preset->bank->name : juce::String();
    const auto presetName = preset != nullptr ? preset->name : juce::String();
    bool found = false;

    for (int row = 0; row < listModel->getNumRows(); ++row)
    {
        if (auto* cell = dynamic_cast<BankListCell*> (bankList.getComponentForRowNumber (row)))
        {
            const auto matches = ! found && bankName.isNotEmpty()
                                 && cell->getNameButton().getButtonText().equalsIgnoreCase (bankName);
            cell->getNameButton().setToggleState (matches, juce::dontSendNotification);
            found = found || matches;
        }
    }

    if (presetPage != nullptr)
        presetPage->selectCurrentPreset (bankName, presetName);

    if (collection != nullptr)
        collection->loadPreset (preset);
}

void BankPopover::buttonClicked (juce::Button* button)
{
    if (button == addButton.get())
    {
        enterNameEntry();
    }
    else if (button == saveButton.get())
    {
        saveNewBank();
        leaveNameEntry();
    }
    else if (button == backButton.get())
    {
        leaveNameEntry();
    }
    else if (button == importButton.get())
    {
        const SafePointer<BankPopover> self (this);
        dialogs->chooseFile ("Please select the bank you want to load...", importFolder, "*.xml", this,
                             [self] (const juce::File& file)
                             {
                                 if (self != nullptr)
                                     self->importChosenFile (file);
                             });
    }
    else if (button == removeButton.get())
    {
        setButtonTextAndColour (*removeButton, removeMode ? "Remove..." : "Done", juce::Colour (removeMode ? PanelPalette::text : PanelPalette::accent));
        removeMode = ! removeMode;
        bankList.updateContent();
        bankList.repaint();
    }
}

void BankPopover::textEditorTextChanged (juce::TextEditor& editor)
{
    if (&editor != &nameEditor)
        return;

    // Only characters a file name may hold.
    const auto legal = juce::File::createLegalFileName (editor.getText());

    if (legal != editor.getText())
        editor.setText (legal, false);

    warningLabel.setVisible (false);

    if (collection != nullptr && legal.isNotEmpty() && collection->getBank (legal) != nullptr)
    {
        warningLabel.setText (juce::translate ("Bank name already exists!"), juce::dontSendNotification);
        warningLabel.setVisible (true);
    }
}

void BankPopover::textEditorReturnKeyPressed (juce::TextEditor& editor)
{
    if (&editor == &nameEditor)
        saveButton->triggerClick();
}

void BankPopover::visibilityChanged()
{
    readCurrentNames();

    // The rows highlight the bank current by now: a preset page may have
    // saved into another one.
    if (isVisible())
    {
        bankList.updateContent();
        bankList.repaint();
    }
}

void BankPopover::paint (juce::Graphics& g)
{
    g.fillAll (panelColour);
}

//==============================================================================
void BankPopover::enterNameEntry()
{
    bankList.setVisible (false);
    removeButton->setVisible (false);
    addButton->setVisible (false);
    saveButton->setVisible (true);
    backButton->setVisible (true);

    nameEditor.setText ({}, true);
    nameEditor.setVisible (true);
    nameEditor.grabKeyboardFocus();
}

void BankPopover::leaveNameEntry()
{
    removeButton->setVisible (true);
    bankList.setVisible (true);
    addButton->setVisible (true);
    saveButton->setVisible (false);
    backButton->setVisible (false);
    nameEditor.setVisible (false);
    warningLabel.setVisible (false);
}

void BankPopover::saveNewBank()
{
    const auto name = juce::File::createLegalFileName (nameEditor.getText());

    if (collection == nullptr || name.isEmpty() || collection->getBank (name) != nullptr)
        return;

    collection->createBank (name);
    reportFailure();
    refreshBankList();
}

bool BankPopover::reportFailure()
{
    const auto failure = collection != nullptr ? collection->takeLastFailure() : juce::String();

    if (failure.isEmpty())
        return false;

    dialogs->inform ("Not saved", failure, this);

    // A change that found its bank's file removed took the bank away.
    showCollectionAsItIs();
    return true;
}

void BankPopover::importChosenFile (const juce::File& file)
{
    importFolder = file.getParentDirectory();

    if (collection != nullptr)
        collection->importBank (file);

    reportFailure();

    // The import reloaded every bank: an open page shows them afresh.
    triggerBankListRefresh();

    if (presetPage != nullptr)
        presetPage->triggerRefresh();
}
