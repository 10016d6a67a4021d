#include "BrowserTestRig.h"

#include "PresetListCell.h"
#include "PresetsListComponent.h"

namespace
{
    using PresetsListTest = BrowserTest;

    juce::TextEditor& editorShowing (PresetsList& page, const juce::String& emptyText)
    {
        return *BrowserTest::find<juce::TextEditor> (page, [&] (auto& e) { return e.getTextToShowWhenEmpty() == emptyText; });
    }

    juce::String fileOf (const char* name)     { return BrowserTest::banks().getChildFile (name).loadFileAsString(); }
}

TEST_F (PresetsListTest, SearchNarrowsTheRowsIgnoringCaseAndSystemPagesShowBareNames)
{
    setCurrent ("Synths", "Lead");
    auto& page = *open().getPresetPage();
    EXPECT_EQ (rowTexts (page.getList()), juce::StringArray ({ "1 Bass", "2 Lead", "3 Pad" }));
    EXPECT_TRUE (cellAt<PresetListCell> (page.getList(), 1).getNameButton().getToggleState());
    EXPECT_TRUE (cellAt<PresetListCell> (page.getList(), 1).getFavIcon().getToggleState());

    auto& search = editorShowing (page, "Type to search...");
    search.setText ("AD", false);
    page.textEditorTextChanged (search);
    EXPECT_EQ (rowTexts (page.getList()), juce::StringArray ({ "2 Lead", "3 Pad" }));
    search.setText ({}, false);
    page.textEditorTextChanged (search);
    EXPECT_EQ (page.getList().getModel()->getNumRows(), 3);

    ASSERT_TRUE (popover->openPresetPage ("All"));
    auto& all = *popover->getPresetPage();
    EXPECT_TRUE (rowTexts (all.getList()).contains ("Organ") && ! button (all, "Save Preset").isVisible());
}

TEST_F (PresetsListTest, SaveAddsANewPresetOrOverwritesAfterAskingAndKeepsItsTags)
{
    setCurrent ("Synths", "Bass");
    auto& page = *open().getPresetPage();
    client.values.assign (44, 0.5f);

    // The current preset's name is offered; saving over it asks first.
    click (page, "Save Preset");
    auto& name = editorShowing (page, {});
    EXPECT_EQ (name.getText(), "Bass");
    click (page, "Save");
    ASSERT_EQ (dialogs->questions.size(), 1u);
    EXPECT_EQ (std::tuple (dialogs->questions[0].title, dialogs->questions[0].message, dialogs->questions[0].associated),
               std::tuple (juce::String ("Warning"), juce::String ("Preset 'Bass' already exists. Overwrite?"), (juce::Component*) &page));

    dialogs->answer (false);
    EXPECT_TRUE (fileOf ("synths.xml").contains ("<params>0.25,0.75</params>"));
    EXPECT_FALSE (name.isVisible());

    click (page, "Save Preset");
    click (page, "Save");
    dialogs->answer (true);
    auto* bass = manager->findPreset ("Synths", "Bass");
    EXPECT_EQ (bass->getTags(), juce::Array<int> ({ 1, 4 }));
    EXPECT_TRUE (fileOf ("synths.xml").contains ("<tags>1,4</tags>") && fileOf ("synths.xml").contains ("<params>0.5,0.5,"));

    // A new name: appended, saved, current and highlighted.
    client.values[0] = 0.125f;
    click (page, "Save Preset");
    name.setText ("Brass", false);
    click (page, "Save");
    EXPECT_TRUE (dialogs->questions.empty());
    EXPECT_EQ (rowTexts (page.getList())[3], "4 Brass");
    EXPECT_TRUE (cellAt<PresetListCell> (page.getList(), 3).getNameButton().getToggleState());
    EXPECT_EQ (client.properties["currentPreset"], "Brass");
    EXPECT_TRUE (fileOf ("synths.xml").contains ("<name>Brass</name>") && fileOf ("synths.xml").contains ("<params>0.125,0.5"));
}

TEST_F (PresetsListTest, ChoosingAPresetOnAllLoadsItWithItsOwnBank)
{
    setCurrent ("All", "Pad");
    auto& popover = open();
    auto& page = *popover.getPresetPage();
    const auto row = rowOf (page.getList(), "Organ");

    cellAt<PresetListCell> (page.getList(), row).getNameButton().clickCallback (false, 100, 10);
    EXPECT_EQ (std::pair (client.properties["currentBank"], client.properties["currentPreset"]), std::pair (juce::String ("Keys"), juce::String ("Organ")));
    EXPECT_EQ (client.values[1], 0.75f);

    // The list shrinks under a click: the stale row does nothing.
    client.values[1] = 0.0f;
    manager->getBank ("All")->searchText = "lead";
    const auto last = page.getList().getModel()->getNumRows() - 1;
    page.getListModel()->presetChosen (last);
    page.getListModel()->setFavouriteAt (last, true);
    page.getListModel()->removePresetAt (last);
    EXPECT_TRUE (client.values[1] == 0.0f && dialogs->questions.empty());
}

TEST_F (PresetsListTest, StarsAndRemovalsOnSystemPagesActOnThePresetsOwnBankAndFile)
{
    setCurrent ("All", "Pad");
    auto& page = *open().getPresetPage();
    auto& list = page.getList();
    auto* model = page.getListModel();

    // The star, clicked on "All": written to Keys' file, listed in "Favourites".
    auto& organ = cellAt<PresetListCell> (list, rowOf (list, "Organ"));
    organ.getFavIcon().setToggleState (true, juce::dontSendNotification);
    organ.getFavIcon().onFavouriteChange (true);
    EXPECT_EQ (page.getListModel(), model);     // refreshed from the message loop only
    page.handleUpdateNowIfNeeded();
    EXPECT_TRUE (fileOf ("keys.xml").contains ("<fav>true</fav>"));
    EXPECT_EQ (manager->getBank ("Favourites")->presets.size(), 2);

    // Removal asks, then takes Bass out of Synths (not Keys' Bass) and its file.
    click (page, "Remove...");
    page.handleUpdateNowIfNeeded();
    int row = 0;
    while (manager->getBank ("All")->presets[row]->bank != manager->getBank ("Synths") || rowTexts (list)[row] != "Bass")
        ++row;
    auto& bass = cellAt<PresetListCell> (list, row);
    bass.getNameButton().clickCallback (false, 267, 10);     // left of the glyph: chosen, not removed
    EXPECT_TRUE (dialogs->questions.empty());
    bass.getNameButton().clickCallback (false, 268, 10);
    ASSERT_EQ (dialogs->questions.size(), 1u);
    EXPECT_EQ (dialogs->questions[0].title, "Remove preset Bass");
    EXPECT_EQ (dialogs->questions[0].message, "Do you really want to remove this preset?\nThis cannot be undone.");
    dialogs->answer (true);
    page.handleUpdateNowIfNeeded();

    auto* synths = manager->getBank ("Synths");
    EXPECT_EQ (synths->findPresetByName ("Bass"), nullptr);
    EXPECT_FALSE (fileOf ("synths.xml").contains ("<name>Bass</name>"));
    EXPECT_EQ (std::pair (synths->presets[0]->index, synths->presets[1]->index), std::pair (1, 2));
    EXPECT_EQ (manager->findPreset ("Keys", "Bass")->index, 2);     // not renumbered by its place in "All"
    EXPECT_EQ (rowTexts (list).size(), 4);

    // Unmarked on "Favourites", a row leaves at once.
    ASSERT_TRUE (popover->openPresetPage ("Favourites"));
    auto& favourites = *popover->getPresetPage();
    cellAt<PresetListCell> (favourites.getList(), 0).getFavIcon().onFavouriteChange (false);
    favourites.handleUpdateNowIfNeeded();
    EXPECT_EQ (rowTexts (favourites.getList()).size(), 1);
}

TEST_F (PresetsListTest, GoingBackDeletesThePageFromTheMessageLoop)
{
    setCurrent ("Synths", "Pad");
    auto& popover = open();
    juce::Component::SafePointer<PresetsList> page (popover.getPresetPage());

    click (*page, juce::CharPointer_UTF8 ("\xe2\x97\x81 Banks"));
    EXPECT_TRUE (page != nullptr && ! page->isVisible() && popover.isVisible() && popover.getPresetPage() == nullptr);
    popover.handleUpdateNowIfNeeded();
    EXPECT_EQ (page, nullptr);
}

TEST_F (PresetsListTest, BankFilesStayWholeWhenTheDiskRefusesAWrite)
{
    setCurrent ("Synths", "Pad");
    auto& popover = open();
    auto& page = *popover.getPresetPage();
    const auto before = fileOf ("synths.xml");

    // A folder with content where the writer puts its temporary file.
    ASSERT_TRUE (banks().getChildFile (".synths.xml.tmp/x").create().wasOk());
    ASSERT_TRUE (banks().getChildFile (".fresh.xml.tmp/x").create().wasOk());

    cellAt<PresetListCell> (page.getList(), 2).getFavIcon().onFavouriteChange (true);
    click (page, "Save Preset");
    click (page, "Save");
    dialogs->answer (true);
    click (page, "Save Preset");
    editorShowing (page, {}).setText ("Brass", false);
    click (page, "Save");
    click (page, "Remove...");
    cellAt<PresetListCell> (page.getList(), 0).getNameButton().clickCallback (false, 300, 10);
    dialogs->answer (true);
    page.handleUpdateNowIfNeeded();
    EXPECT_EQ (fileOf ("synths.xml"), before);

    popover.closePresetPage();
    click (popover, "Add empty...");
    find<juce::TextEditor> (popover, [] (auto&) { return true; })->setText ("Fresh", false);
    click (popover, "Save");
    EXPECT_FALSE (rowTexts (popover.getBankList()).contains ("Fresh") || banks().getChildFile ("fresh.xml").exists());
}

TEST_F (PresetsListTest, AHostStateRestoredWhileABoxIsOpenLosesNothing)
{
    setCurrent ("Synths", "Pad");
    auto& popover = open();
    auto& page = *popover.getPresetPage();
    click (page, "Remove...");
    cellAt<PresetListCell> (page.getList(), 2).getNameButton().clickCallback (false, 300, 10);

    juce::MemoryBlock chunk;
    client.properties.set ("currentBank", "Keys");
    client.properties.set ("currentPreset", "Organ");
    manager->getState (chunk);
    std::thread ([&] { manager->setState (chunk.getData(), (int) chunk.getSize()); }).join();

    dialogs->answer (true);
    page.handleUpdateNowIfNeeded();
    EXPECT_EQ (rowTexts (page.getList()), juce::StringArray ({ "1 Bass", "2 Lead" }));
    popover.closePresetPage();
    EXPECT_EQ (std::pair (popover.getCurrentBank(), popover.getCurrentPreset()), std::pair (juce::String ("Keys"), juce::String ("Organ")));
}
