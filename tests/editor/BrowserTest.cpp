// The preset browser on a bank manager over a Banks folder of known files, a
// fake plug-in and dialogs the test answers.
#include "BankListCell.h"
#include "BankPopover.h"
#include "BlackBankButton.h"
#include "ContrastSupport.h"
#include "EditorTestSupport.h"
#include "FakePresetClient.h"
#include "KorvixLookAndFeel.h"
#include "PresetListCell.h"
#include "PresetsList.h"
#include "PresetsListComponent.h"
#include "QmBankManager.h"
#include "QmDataFolders.h"
#include "QmScreen.h"
#include "SearchBoxCaret.h"

#include <thread>

namespace
{
    juce::File banks()                              { return QmDataFolders::getUserDataFolder().getChildFile ("Banks"); }
    juce::String fileOf (const char* name)          { return banks().getChildFile (name).loadFileAsString(); }

    using EditorTest::find;

    juce::TextButton& button (juce::Component& root, const juce::String& text)
        { if (auto* b = EditorTest::buttonIn (root, text)) return *b; throw std::runtime_error (("no button " + text).toStdString()); }

    void click (juce::Component& root, const juce::String& text)    { dynamic_cast<juce::Button::Listener&> (root).buttonClicked (&button (root, text)); }

    juce::TextEditor& editorShowing (juce::Component& page, const juce::String& emptyText)  { return *find<juce::TextEditor> (page, [&] (auto& e) { return e.getTextToShowWhenEmpty() == emptyText; }); }

    juce::StringArray rowTexts (juce::ListBox& list)
    {
        juce::StringArray texts;
        for (int row = 0; row < list.getModel()->getNumRows(); ++row)
            if (auto* cell = dynamic_cast<BrowserRowCell*> (list.getComponentForRowNumber (row)))
                texts.add (cell->getNameButton().getButtonText());
        return texts;
    }

    /** The row showing text (the directory listing decides the order of banks). */
    int rowOf (juce::ListBox& list, const juce::String& text)    { return rowTexts (list).indexOf (text); }

    template <typename Cell = PresetListCell>
    Cell& cellAt (juce::ListBox& list, int row)     { return *dynamic_cast<Cell*> (list.getComponentForRowNumber (row)); }

    struct Browser : ::testing::Test
    {
        Browser()
        {
            const auto preset = [] (const char* name, const char* fav, const char* tags)
                { return juce::String ("<preset><name>") + name + "</name><fav>" + fav + "</fav><tags>" + tags + "</tags><params>0.25,0.75</params></preset>"; };
            banks().deleteRecursively();
            banks().createDirectory();
            banks().getChildFile ("synths.xml").replaceWithText ("<bank><name>Synths</name><presets>" + preset ("Bass", "false", "1,4") + preset ("Lead", "true", "") + preset ("Pad", "false", "") + "</presets></bank>");
            banks().getChildFile ("keys.xml").replaceWithText ("<bank><name>Keys</name><presets>" + preset ("Organ", "false", "") + preset ("Bass", "false", "") + "</presets></bank>");
            manager = std::make_unique<QmBankManager> (&client);
        }

        // The next user of this HOME gets the factory bank again.
        ~Browser() override     { popover.reset(); manager.reset(); banks().deleteRecursively(); }

        BankPopover& open (const juce::String& bank = {}, const juce::String& preset = {})
        {
            client.properties.set ("currentBank", bank);
            client.properties.set ("currentPreset", preset);
            popover = std::make_unique<BankPopover> (manager.get(), &client);
            popover->setDialogs (std::unique_ptr<EditorTest::Dialogs> (dialogs = new EditorTest::Dialogs()));
            content = popover->createContainer();
            return *popover;
        }

        PresetsList& page (const juce::String& bank, const juce::String& preset)     { return *open (bank, preset).getPresetPage(); }

        /** Answers the oldest question, then lets the page or the bank list refresh. */
        template <typename Page>
        void answer (Page& p, bool ok = true)      { dialogs->answer (ok); p.handleUpdateNowIfNeeded(); }

        /** Saves the sound as the offered name, or as another. */
        void save (PresetsList& p, const juce::String& as = {})
            { click (p, "Save Preset"); if (as.isNotEmpty()) editorShowing (p, {}).setText (as, false); click (p, "Save"); }

        /** Names a new bank on the bank page, as typed. */
        void nameBank (const juce::String& text)   { click (*popover, "Add empty..."); find<juce::TextEditor> (*popover)->setText (text, false); popover->textEditorTextChanged (*find<juce::TextEditor> (*popover)); }

        void removeBank (const juce::String& name)
            { auto& list = popover->getBankList(); cellAt<BankListCell> (list, rowOf (list, name)).getNameButton().clickCallback (false, 295, 11); }

        /** A bank file outside the Banks folder, to import. */
        static juce::File importable (const char* name, const juce::String& text)
        {
            const auto file = juce::File::getSpecialLocation (juce::File::userHomeDirectory).getChildFile ("import").getChildFile (name);
            return file.getParentDirectory().createDirectory().wasOk() && file.replaceWithText (text) ? file : juce::File();
        }

        FakePresetClient client;
        std::unique_ptr<QmBankManager> manager;
        std::unique_ptr<BankPopover> popover;
        std::unique_ptr<juce::Component> content;
        EditorTest::Dialogs* dialogs = nullptr;
    };
}

TEST_F (Browser, OpensOnTheCurrentBankUnderTheLockSearchesShowsBareNamesOnSystemPagesAndAddsBanksRefusingTakenOrUnusableNames)
{
    auto& onPage = open ("synths", "Pad");
    ASSERT_NE (onPage.getPresetPage(), nullptr);
    EXPECT_EQ (onPage.getPresetPage()->getBankName(), "Synths");

    // Each showing highlights the preset current by then (stepped with the screen's arrows).
    manager->loadPreset (manager->findPreset ("Synths", "Bass"));
    content = onPage.createContainer();
    auto& list = onPage.getPresetPage()->getList();
    EXPECT_TRUE (cellAt (list, 0).getNameButton().getToggleState());
    EXPECT_FALSE (cellAt (list, 2).getNameButton().getToggleState());

    auto& onList = open ("Synths", "pad");      // preset names compare exactly
    EXPECT_EQ (onList.getPresetPage(), nullptr);
    EXPECT_EQ (rowTexts (onList.getBankList()).size(), 4);

    // Every read and write of the current names holds the bank manager's lock.
    int probes = 0, held = 0;
    client.onPropertyAccess = [&]
    {
        ++probes;
        std::thread ([&] { if (manager->getLock().tryEnter()) manager->getLock().exit(); else ++held; }).join();
    };
    auto& locked = open ("Synths", "Pad");
    cellAt (locked.getPresetPage()->getList(), 0).getNameButton().clickCallback (false, 10, 10);
    locked.closePresetPage();
    EXPECT_EQ (std::pair (probes >= 5, held), std::pair (true, probes));
    client.onPropertyAccess = nullptr;

    // Search narrows the rows; system pages show bare names; back leads to the banks.
    auto& synths = page ("Synths", "Lead");
    EXPECT_EQ (rowTexts (synths.getList()), juce::StringArray ({ "1 Bass", "2 Lead", "3 Pad" }));
    EXPECT_EQ (std::pair (cellAt (synths.getList(), 1).getNameButton().getToggleState(), cellAt (synths.getList(), 1).getFavIcon().getToggleState()), std::pair (true, true));

    auto& search = editorShowing (synths, "Type to search...");
    search.setText ("AD", false);
    synths.textEditorTextChanged (search);
    EXPECT_EQ (rowTexts (synths.getList()), juce::StringArray ({ "2 Lead", "3 Pad" }));

    ASSERT_TRUE (popover->openPresetPage ("All"));
    juce::Component::SafePointer<PresetsList> all (popover->getPresetPage());
    EXPECT_TRUE (rowTexts (all->getList()).contains ("Organ"));
    EXPECT_FALSE (button (*all, "Save Preset").isVisible());

    // Back to the banks: the page goes from the message loop, not under its own click.
    click (*all, juce::CharPointer_UTF8 ("\xe2\x97\x81 Banks"));
    ASSERT_NE (all.getComponent(), nullptr);
    EXPECT_EQ (std::tuple (all->isVisible(), popover->isVisible(), popover->getPresetPage()), std::tuple (false, true, (PresetsList*) nullptr));
    popover->handleUpdateNowIfNeeded();
    EXPECT_EQ (all, nullptr);

    // Add empty and Import add banks and refuse taken or unusable names.
    auto& popover = open();
    auto& warning = *find<juce::Label> (popover, [] (auto& l) { return l.getName() == "warningLabel"; });

    nameBank ("my: BANK");      // a colon cannot be part of a file name
    popover.textEditorReturnKeyPressed (*find<juce::TextEditor> (popover));
    EditorTest::runMessages();
    EXPECT_TRUE (fileOf ("my bank.xml").contains ("<name>my BANK</name>"));
    EXPECT_TRUE (rowTexts (popover.getBankList()).contains ("my BANK"));

    // A taken name in other letters warns and creates nothing; so does one
    // that cannot be a plain file in the Banks folder.
    const auto before = banks().findChildFiles (juce::File::findFilesAndDirectories, false).size();
    for (auto name : { "SYNTHS", "~home" })
    {
        nameBank (name);
        EXPECT_EQ (warning.isVisible(), juce::String (name) == "SYNTHS");
        click (popover, "Save");
    }
    EXPECT_EQ (warning.getText(), "Bank name already exists!");
    EXPECT_EQ (banks().findChildFiles (juce::File::findFilesAndDirectories, false).size(), before);

    nameBank ("../escape");
    click (popover, "Save");
    EXPECT_TRUE (banks().getChildFile ("..escape.xml").existsAsFile());
    EXPECT_FALSE (banks().getSiblingFile ("escape.xml").exists());

    // An imported bank whose name is taken is listed under its file name.
    click (popover, "Import from file...");
    EXPECT_TRUE (dialogs->chooserTitle.startsWith ("Please select the bank you want to load... ")) << dialogs->chooserTitle;
    EXPECT_TRUE (dialogs->chooserTitle.endsWith (" *.xml")) << dialogs->chooserTitle;
    ASSERT_NE (dialogs->chooserOn, nullptr);
    EXPECT_EQ (dialogs->chooserOn->getTopLevelComponent(), content.get());     // centred on the plug-in's window
    dialogs->choose (importable ("More.xml", "<bank><name>keys</name><presets><preset><name>Brass</name></preset></presets></bank>"));
    popover.handleUpdateNowIfNeeded();
    EXPECT_TRUE (rowTexts (popover.getBankList()).contains ("More"));
    EXPECT_NE (manager->findPreset ("More", "Brass"), nullptr);
}

TEST_F (Browser, RemoveAsksAndDeletesTheBankAndItsFileOnlyOnOkNeverAfterTheBoxWent)
{
    auto& popover = open();
    click (popover, "Remove...");
    auto& list = popover.getBankList();
    for (int row = 0; row < 4; ++row)      // never on "All" and "Favourites"
        EXPECT_EQ (cellAt<BankListCell> (list, row).getDeleteButton().isVisible(), row >= 2);

    // On the glyph a click asks first.
    removeBank ("Keys");
    ASSERT_EQ (dialogs->questions.size(), 1u);
    EXPECT_EQ (dialogs->asked(), std::tuple (juce::String ("Remove bank Keys"), juce::String ("Do you really want to remove this bank?\nThis cannot be undone."), content.get()));
    answer (popover, false);
    EXPECT_TRUE (banks().getChildFile ("keys.xml").existsAsFile());

    cellAt<BankListCell> (list, rowOf (list, "Keys")).getNameButton().clickCallback (false, 290, 11);
    answer (popover);
    EXPECT_FALSE (banks().getChildFile ("keys.xml").exists());
    EXPECT_EQ (rowTexts (list), juce::StringArray ({ "All", "Favourites", "Synths" }));

    // A click without a mouse event (keyboard) opens, wherever the mouse is.
    EditorTest::click (cellAt<BankListCell> (list, 2).getNameButton());
    ASSERT_NE (popover.getPresetPage(), nullptr);
    EXPECT_EQ (popover.getPresetPage()->getBankName(), "Synths");
    EXPECT_TRUE (dialogs->questions.empty());

    // A closed box is never used again, and a late answer changes nothing.
    popover.closePresetPage();
    content.reset();                // the call-out box closed and deleted it
    ASSERT_EQ (popover.getContainer(), nullptr);
    ASSERT_TRUE (popover.openPresetPage ("Synths"));
    EXPECT_EQ (popover.getPresetPage()->getParentComponent(), nullptr);

    // The next showing holds the hidden bank page and the visible preset page.
    content = popover.createContainer();
    EXPECT_EQ (std::pair (popover.getParentComponent(), popover.getPresetPage()->getParentComponent()), std::pair (content.get(), content.get()));
    EXPECT_EQ (std::pair (popover.isVisible(), popover.getPresetPage()->isVisible()), std::pair (false, true));

    // The editor closes with a question open.
    popover.closePresetPage();
    cellAt<BankListCell> (list, rowOf (list, "Synths")).getNameButton().clickCallback (false, 300, 5);
    auto question = std::move (dialogs->questions.front());
    this->popover.reset();
    question.answer (true);
    EXPECT_NE (manager->getBank ("Synths"), nullptr);
}

TEST_F (Browser, SaveAddsANewPresetOrOverwritesAfterAskingKeepsItsTagsLosesNothingToAHostStateAndHighlightsItsRow)
{
    auto& synths = page ("Synths", "Bass");
    client.values.assign (44, 0.5f);

    // The current preset's name is offered; saving over it asks first.
    click (synths, "Save Preset");
    auto& name = editorShowing (synths, {});
    EXPECT_EQ (name.getText(), "Bass");
    click (synths, "Save");
    ASSERT_EQ (dialogs->questions.size(), 1u);
    EXPECT_EQ (dialogs->asked(), std::tuple (juce::String ("Warning"), juce::String ("Preset 'Bass' already exists. Overwrite?"), content.get()));
    dialogs->answer (false);
    EXPECT_TRUE (fileOf ("synths.xml").contains ("<params>0.25,0.75</params>"));
    EXPECT_FALSE (name.isVisible());

    save (synths);
    dialogs->answer (true);
    EXPECT_EQ (manager->findPreset ("Synths", "Bass")->getTags(), juce::Array<int> ({ 1, 4 }));
    EXPECT_TRUE (fileOf ("synths.xml").contains ("<tags>1,4</tags>"));
    EXPECT_TRUE (fileOf ("synths.xml").contains ("<params>0.5,0.5,"));

    // A new name: appended, saved and current (highlighted, as a later case shows).
    client.values[0] = 0.125f;
    save (synths, "Brass");
    EXPECT_TRUE (dialogs->questions.empty());
    EXPECT_EQ (rowTexts (synths.getList())[3], "4 Brass");
    EXPECT_EQ (client.properties["currentPreset"], "Brass");
    EXPECT_TRUE (fileOf ("synths.xml").contains ("<params>0.125,0.5"));

    // A host state restored while a box is open loses nothing.
    click (synths, "Remove...");
    cellAt (synths.getList(), 2).getNameButton().clickCallback (false, 300, 10);
    EXPECT_EQ (dialogs->asked(), std::tuple (juce::String ("Remove preset Pad"), juce::String ("Do you really want to remove this preset?\nThis cannot be undone."), content.get()));

    juce::MemoryBlock chunk;        // Keys / Organ, restored on the host's thread
    client.properties.set ("currentBank", "Keys");
    client.properties.set ("currentPreset", "Organ");
    manager->getState (chunk);
    std::thread ([&] { manager->setState (chunk.getData(), (int) chunk.getSize()); }).join();

    answer (synths);
    EXPECT_EQ (rowTexts (synths.getList()), juce::StringArray ({ "1 Bass", "2 Lead", "3 Brass" }));
    popover->closePresetPage();
    EXPECT_EQ (std::pair (popover->getCurrentBank(), popover->getCurrentPreset()), std::pair (juce::String ("Keys"), juce::String ("Organ")));

    // A saved preset is the one highlighted row, scrolled into view.
    juce::String presets;
    for (int i = 1; i <= 12; ++i)
        presets << "<preset><name>P" << i << "</name><params>0.5</params></preset>";
    banks().getChildFile ("big.xml").replaceWithText ("<bank><name>Big</name><presets>" + presets + "</presets></bank>");
    manager->reloadBanks();

    auto& big = page ("Big", "P1");
    auto& list = big.getList();
    save (big, "Fresh");

    auto* fresh = dynamic_cast<PresetListCell*> (list.getComponentForRowNumber (12));
    ASSERT_NE (fresh, nullptr);
    EXPECT_TRUE (fresh->getNameButton().getToggleState());
    list.scrollToEnsureRowIsOnscreen (0);
    EXPECT_FALSE (cellAt (list, 0).getNameButton().getToggleState());

    // Saved into another bank than the current one: back on the bank page,
    // that bank is the highlighted one.
    page ("Synths", "Lead");
    ASSERT_TRUE (popover->openPresetPage ("Keys"));
    save (*popover->getPresetPage(), "Choir");
    click (*popover->getPresetPage(), juce::CharPointer_UTF8 ("\xe2\x97\x81 Banks"));
    auto& banks = popover->getBankList();
    const auto lit = [&banks] (const char* name) { return cellAt<BankListCell> (banks, rowOf (banks, name)).getNameButton().getToggleState(); };
    EXPECT_EQ (std::pair (lit ("Keys"), lit ("Synths")), std::pair (true, false));
}

TEST_F (Browser, ChoicesStarsAndRemovalsOnSystemPagesActOnThePresetsOwnBankAndFile)
{
    auto& all = page ("All", "Pad");
    auto& list = all.getList();
    auto* model = all.getListModel();

    // Chosen on "All": loaded with its own bank.
    cellAt (list, rowOf (list, "Organ")).getNameButton().clickCallback (false, 100, 10);
    EXPECT_EQ (std::pair (client.properties["currentBank"], client.properties["currentPreset"]), std::pair (juce::String ("Keys"), juce::String ("Organ")));
    EXPECT_EQ (client.values[1], 0.75f);

    // The star, clicked on "All": written to Keys' file, listed in "Favourites".
    auto& organ = cellAt (list, rowOf (list, "Organ"));
    organ.getFavIcon().setToggleState (true, juce::dontSendNotification);
    organ.getFavIcon().onFavouriteChange (true);
    EXPECT_EQ (all.getListModel(), model);      // refreshed from the message loop only
    all.handleUpdateNowIfNeeded();
    EXPECT_TRUE (fileOf ("keys.xml").contains ("<fav>true</fav>"));
    EXPECT_EQ (manager->getBank ("Favourites")->presets.size(), 2);

    // Removal asks, then takes Bass out of Synths (not Keys' Bass) and its file.
    click (all, "Remove...");
    all.handleUpdateNowIfNeeded();
    auto& bass = cellAt (list, all.getListModel()->findRow ("Synths", "Bass"));
    bass.getNameButton().clickCallback (false, 267, 10);     // left of the glyph: chosen, not removed
    EXPECT_TRUE (dialogs->questions.empty());
    bass.getNameButton().clickCallback (false, 268, 10);
    ASSERT_EQ (dialogs->questions.size(), 1u);
    // "All" shows names alone: the box names the bank the preset leaves.
    EXPECT_EQ (dialogs->asked(), std::tuple (juce::String ("Remove preset Bass from Synths"),
                                             juce::String ("Do you really want to remove this preset from the bank 'Synths'?\nThis cannot be undone."), content.get()));
    answer (all);

    auto* synths = manager->getBank ("Synths");
    EXPECT_EQ (synths->findPresetByName ("Bass"), nullptr);
    EXPECT_FALSE (fileOf ("synths.xml").contains ("<name>Bass</name>"));
    EXPECT_EQ (std::pair (synths->presets[0]->index, synths->presets[1]->index), std::pair (1, 2));
    EXPECT_EQ (manager->findPreset ("Keys", "Bass")->index, 2);     // not renumbered by its place in "All"
    EXPECT_EQ (rowTexts (list).size(), 4);

    // A preset gone under its row: the stale row does nothing.
    client.values[1] = 0.0f;
    const auto stale = all.getListModel()->findRow ("Keys", "Bass");
    auto* keys = manager->getBank ("Keys");
    keys->removePreset (keys->findPresetByName ("Bass"));
    all.getListModel()->presetChosen (stale);
    all.getListModel()->setFavouriteAt (stale, true);
    all.getListModel()->removePresetAt (stale);
    EXPECT_EQ (client.values[1], 0.0f);
    EXPECT_TRUE (dialogs->questions.empty());

    // "Favourites" names the bank too: there a removal is easily taken for unmarking.
    ASSERT_TRUE (popover->openPresetPage ("Favourites"));
    auto& favourites = *popover->getPresetPage();
    click (favourites, "Remove...");
    cellAt (favourites.getList(), rowOf (favourites.getList(), "Organ")).getNameButton().clickCallback (false, 300, 10);
    EXPECT_EQ (std::get<0> (dialogs->asked()), "Remove preset Organ from Keys");
    EXPECT_TRUE (std::get<1> (dialogs->asked()).startsWith ("Do you really want to remove this preset from the bank 'Keys'?\n"));
    answer (favourites, false);
    EXPECT_NE (manager->findPreset ("Keys", "Organ"), nullptr);
    click (favourites, "Done");

    // Unmarked on "Favourites", a row leaves at once.
    cellAt (favourites.getList(), 0).getFavIcon().onFavouriteChange (false);
    favourites.handleUpdateNowIfNeeded();
    EXPECT_EQ (rowTexts (favourites.getList()).size(), 1);
}

TEST_F (Browser, RowsHoldNoPresetOrBankThatARemovalAnImportOrAReloadFrees)
{
    auto& popover = open();

    // The removal box does not block: a page opens under it, then the bank goes.
    click (popover, "Remove...");
    removeBank ("Keys");
    ASSERT_TRUE (popover.openPresetPage ("All"));
    auto* all = popover.getPresetPage();
    const auto organ = rowOf (all->getList(), "Organ");
    dialogs->answer (true);

    // Rows read again (a scroll) before the page's refresh, and a stale one clicked.
    client.values[1] = 0.0f;
    all->getList().updateContent();
    cellAt (all->getList(), organ).getNameButton().clickCallback (false, 10, 10);
    EXPECT_EQ (client.values[1], 0.0f);
    all->handleUpdateNowIfNeeded();
    EXPECT_EQ (rowTexts (all->getList()), juce::StringArray ({ "Bass", "Lead", "Pad" }));

    // The chooser does not block either: the import reloads every bank under an open page.
    popover.closePresetPage();
    click (popover, "Import from file...");
    ASSERT_TRUE (popover.openPresetPage ("Synths"));
    auto& synths = *popover.getPresetPage();
    dialogs->choose (importable ("Drums.xml", "<bank><name>Drums</name><presets><preset><name>Kick</name></preset></presets></bank>"));
    synths.getList().updateContent();
    cellAt (synths.getList(), 1).getNameButton().clickCallback (false, 10, 10);
    EXPECT_EQ (client.values[1], 0.75f);
    EXPECT_EQ (client.properties["currentPreset"], "Lead");

    // Another instance renamed the bank on disk; the reload frees the page's bank.
    banks().getChildFile ("synths.xml").replaceWithText (fileOf ("synths.xml").replace ("<name>Synths</name>", "<name>Strings</name>"));
    manager->reloadBanks();
    synths.getList().updateContent();
    client.values[1] = 0.0f;
    cellAt (synths.getList(), 2).getNameButton().clickCallback (false, 10, 10);
    cellAt (synths.getList(), 0).getFavIcon().onFavouriteChange (true);
    EXPECT_EQ (client.values[1], 0.0f);
    EXPECT_FALSE (manager->findPreset ("Strings", "Bass")->fav);
    synths.handleUpdateNowIfNeeded();
    EXPECT_EQ (synths.getList().getModel()->getNumRows(), 0);
}

TEST_F (Browser, RemovingTheCurrentPresetOrBankLoadsWhatTakesItsPlaceAndTheArrowsStepFromThere)
{
    const auto element = EditorTest::skinElement ("<rect id=\"screen\" x=\"100\" y=\"20\" width=\"260\" height=\"30\"/>", "screen");
    QmScreen screen (*element);
    manager->setPresetLoadedCallback (&QmScreen::presetLoadedCallback, &screen);
    screen.setStepCallback (&QmScreen::stepPresetCallback, manager.get());
    const auto current = [this] { return client.properties["currentBank"] + " / " + client.properties["currentPreset"]; };

    auto& synths = page ("Synths", "Lead");
    manager->loadPreset (manager->findPreset ("Synths", "Lead"));
    const auto removeRow = [&] (int row)
    {
        client.values[1] = 0.0f;
        cellAt (synths.getList(), row).getNameButton().clickCallback (false, 300, 10);
        answer (synths);
    };

    // The preset that takes its place is loaded, shown and highlighted.
    click (synths, "Remove...");
    removeRow (1);
    EXPECT_EQ (current(), "Synths / Pad");
    EXPECT_EQ (screen.getLines()[0], "Synths / Pad");
    EXPECT_EQ (client.values[1], 0.75f);
    EXPECT_TRUE (cellAt (synths.getList(), 1).getNameButton().getToggleState());

    EditorTest::click (screen.getLeftButton());
    EXPECT_EQ (screen.getLines()[0], "Synths / Bass");
    EditorTest::click (screen.getRightButton());

    // The last one gives way to the one before it.
    removeRow (1);
    EXPECT_EQ (screen.getLines()[0], "Synths / Bass");

    // The current bank: the first preset of the first user bank left.
    popover->closePresetPage();
    auto& bankList = popover->getBankList();
    click (*popover, "Remove...");
    removeBank ("Synths");
    answer (*popover);
    EXPECT_EQ (screen.getLines()[0], "Keys / Organ");
    EXPECT_TRUE (cellAt<BankListCell> (bankList, rowOf (bankList, "Keys")).getNameButton().getToggleState());
    EditorTest::click (screen.getRightButton());
    EXPECT_EQ (current(), "Keys / Bass");

    // None left: nothing is current, the line is empty and the arrows do nothing.
    removeBank ("Keys");
    dialogs->answer (true);
    EXPECT_EQ (screen.getLines()[0], "");
    EditorTest::click (screen.getLeftButton());
    EXPECT_EQ (current(), " / ");
    manager->setPresetLoadedCallback (nullptr, nullptr);
}

TEST_F (Browser, EveryWriteTheDiskRefusesIsShownLeavingRowsAndCurrentPresetAndPagesReadOnThePanelsColours)
{
    auto& synths = page ("Synths", "Pad");
    const auto rows = rowTexts (synths.getList());

    // A folder with content where the writer puts its temporary file.
    ASSERT_TRUE (banks().getChildFile (".synths.xml.tmp/x").create().wasOk());
    ASSERT_TRUE (banks().getChildFile (".fresh.xml.tmp/x").create().wasOk());

    // A star, an overwrite, a new preset, a removal and a new bank.
    cellAt (synths.getList(), 2).getFavIcon().onFavouriteChange (true);
    save (synths);
    dialogs->answer (true);
    save (synths, "Brass");
    EXPECT_EQ (rowTexts (synths.getList()), rows);
    EXPECT_EQ (client.properties["currentPreset"], "Pad");

    click (synths, "Remove...");
    cellAt (synths.getList(), 0).getNameButton().clickCallback (false, 300, 10);
    answer (synths);
    EXPECT_EQ (rowTexts (synths.getList()), rows);

    popover->closePresetPage();
    nameBank ("Fresh");
    click (*popover, "Save");
    EXPECT_FALSE (rowTexts (popover->getBankList()).contains ("Fresh"));
    EXPECT_EQ (dialogs->told.size(), 5);
    for (auto& text : dialogs->told)
        EXPECT_EQ (text, "Not saved: The bank file cannot be written");

    // The pages read on the panel's colours, in remove mode and while naming.
    // The browser's box lies in the editor's window and takes its look.
    KorvixLookAndFeel lookAndFeel;
    auto& presets = page ("Synths", "Bass");
    content->setLookAndFeel (&lookAndFeel);

    const auto face = juce::Colour (EditorTest::pixel (EditorTest::paint (*content), 2, 2));
    EXPECT_TRUE (Contrast::isCharcoal (face)) << face.toDisplayString (true);

    // The strongest ink where a component lies on the page.
    const auto expectReads = [&] (juce::Component& c, const char* what)
        { EXPECT_GE (Contrast::ink (EditorTest::paint (*content), content->getLocalArea (&c, c.getLocalBounds()), face), 4.5) << what; };

    expectReads (button (presets, "Remove..."), "Remove...");
    expectReads (*find<juce::Label> (presets), "title");
    expectReads (editorShowing (presets, "Type to search..."), "search placeholder");
    click (presets, "Remove...");
    expectReads (button (presets, "Done"), "Done");
    click (presets, "Done");

    // The name entry: a dark field with light text.
    click (presets, "Save Preset");
    auto* name = find<juce::TextEditor> (presets, [] (auto& e) { return e.isVisible() && e.getTextToShowWhenEmpty().isEmpty(); });
    ASSERT_NE (name, nullptr);
    const auto field = face.overlaidWith (name->findColour (juce::TextEditor::backgroundColourId));
    EXPECT_TRUE (Contrast::isCharcoal (field)) << field.toDisplayString (true);
    EXPECT_GE (Contrast::ratio (name->findColour (juce::TextEditor::textColourId), field), 4.5);

    // The bank page's warning under a taken name.
    popover->closePresetPage();
    nameBank ("Keys");
    auto& warning = *find<juce::Label> (*popover, [] (auto& l) { return l.getName() == "warningLabel"; });
    ASSERT_TRUE (warning.isVisible());
    expectReads (warning, "warning");
    content->setLookAndFeel (nullptr);
}

TEST_F (Browser, BankFilesTheStartCouldNotReadAreNamedOnceWhenTheBrowserShows)
{
    banks().getChildFile ("broken.xml").replaceWithText ("<bank><name>Broken");
    banks().getChildFile ("empty.xml").replaceWithText ("");
    manager = std::make_unique<QmBankManager> (&client);

    // Named once the box can be placed on the window, whichever page opens.
    auto& onPage = open ("Synths", "Pad");
    EXPECT_TRUE (dialogs->told.isEmpty());
    onPage.handleUpdateNowIfNeeded();
    ASSERT_EQ (dialogs->told.size(), 1);
    EXPECT_TRUE (dialogs->told[0].startsWith ("Banks not listed: ")) << dialogs->told[0];
    for (auto name : { "broken.xml", "empty.xml" })
        EXPECT_TRUE (dialogs->told[0].contains (name)) << name;
    EXPECT_FALSE (dialogs->told[0].contains ("synths.xml"));
    EXPECT_EQ (dialogs->toldOn, popover.get());

    // Not again: neither on the next showing nor after a reload that skips them again.
    content = popover->createContainer();
    popover->handleUpdateNowIfNeeded();
    ASSERT_TRUE (manager->importBank (importable ("more.xml", "<bank><name>More</name><presets/></bank>")));
    content = popover->createContainer();
    popover->handleUpdateNowIfNeeded();
    EXPECT_EQ (dialogs->told.size(), 1);
}

TEST (BrowserRow, AClickReportsItsOwnMouseEventOrNoneAndTheSearchCaretIsABarThatLeavesTheTypedTextVisible)
{
    std::vector<std::tuple<bool, int, int>> clicks;
    auto row = std::make_unique<BlackBankButton> ("Init", "0", "^I");
    row->setBounds (0, 0, 200, 31);
    row->clickCallback = [&] (bool on, int x, int y) { clicks.emplace_back (on, x, y); };
    const auto release = [&row] (float x, float y)
        { row->setState (juce::Button::buttonDown); static_cast<juce::Component&> (*row).mouseUp (EditorTest::mouseEvent (*row, { x, y }, { x, y })); };

    // Wherever the mouse is by now, the event's position counts; a click
    // without a mouse event (keyboard, triggerClick) reports none.
    release (195.0f, 11.0f);
    row->setToggleState (true, juce::dontSendNotification);
    EditorTest::click (*row);
    EXPECT_EQ (clicks, (std::vector<std::tuple<bool, int, int>> { { false, 195, 11 }, { true, -1, -1 } }));

    // A callback may delete its button.
    row->clickCallback = [&row] (bool, int, int) { row.reset(); };
    release (3.0f, 3.0f);
    EXPECT_EQ (row, nullptr);

    // The search box's caret is a bar that leaves the typed text visible.
    juce::Component box;
    box.setSize (100, 26);
    SearchBoxCaret caret (nullptr);
    box.addAndMakeVisible (caret);
    caret.setCaretPosition ({ 10, 4, 1, 18 });

    const auto image = EditorTest::paint (box);
    EXPECT_EQ (std::pair (EditorTest::pixel (image, 11, 10), EditorTest::pixel (image, 50, 10)),
               std::pair ((juce::uint32) SearchBoxCaret::colour, 0u));
}

TEST_F (Browser, ANameAnotherInstanceSavedIsAskedAboutAndABankWhoseFileItRemovedLeavesTheBrowser)
{
    FakePresetClient otherClient;
    QmBankManager other (&otherClient);
    auto& synths = page ("Synths", "Pad");

    // The other instance saves "Same" after this page was filled: saving
    // that name here asks first, and Cancel keeps the other's preset.
    otherClient.values.assign (44, 0.25f);
    QmPreset::Ptr same (new QmPreset());
    same->name = "Same";
    ASSERT_TRUE (other.getBank ("Synths")->addPreset (same.get()));
    save (synths, "Same");
    ASSERT_EQ (dialogs->questions.size(), 1u);
    EXPECT_EQ (std::pair (std::get<1> (dialogs->asked()), dialogs->told.size()), std::pair (juce::String ("Preset 'Same' already exists. Overwrite?"), 0));
    dialogs->answer (false);
    EXPECT_TRUE (fileOf ("synths.xml").contains ("<params>0.25,0.25,"));
    EXPECT_EQ (rowTexts (synths.getList()), juce::StringArray ({ "1 Bass", "2 Lead", "3 Pad", "4 Same" }));

    // The other instance removes Keys while its page is open: a star there
    // finds the file gone, which the box tells; the page closes and the bank
    // leaves the list, "All" and the current preset.
    auto& keys = page ("Keys", "Organ");
    manager->loadPreset (manager->findPreset ("Keys", "Organ"));
    ASSERT_TRUE (other.deleteBank (other.getBank ("Keys")));
    cellAt (keys.getList(), 0).getFavIcon().setToggleState (true, juce::dontSendNotification);
    cellAt (keys.getList(), 0).getFavIcon().onFavouriteChange (true);
    EXPECT_EQ (dialogs->told, juce::StringArray ({ "Not saved: The bank file no longer exists" }));
    popover->handleUpdateNowIfNeeded();
    EXPECT_EQ (std::pair (popover->getPresetPage(), popover->isVisible()), std::pair ((PresetsList*) nullptr, true));
    EXPECT_EQ (rowTexts (popover->getBankList()), juce::StringArray ({ "All", "Favourites", "Synths" }));
    EXPECT_EQ (client.properties["currentBank"], "Synths");

    // On "All" no star is lit but that of the one favourite left.
    ASSERT_TRUE (popover->openPresetPage ("All"));
    auto& list = popover->getPresetPage()->getList();
    juce::StringArray lit;
    for (int row = 0; row < list.getModel()->getNumRows(); ++row)
        if (cellAt (list, row).getFavIcon().getToggleState())
            lit.add (cellAt (list, row).getNameButton().getButtonText());
    EXPECT_EQ (std::pair (rowTexts (list), lit), std::pair (juce::StringArray ({ "Bass", "Lead", "Pad", "Same" }), juce::StringArray ({ "Lead" })));
    EXPECT_FALSE (banks().getChildFile ("keys.xml").exists());
}
