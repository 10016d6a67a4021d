#include "BrowserTestRig.h"

#include "BankListCell.h"

namespace
{
    using BankPopoverTest = BrowserTest;

    void type (BankPopover& popover, const juce::String& text)
    {
        auto* editor = BrowserTest::find<juce::TextEditor> (popover, [] (auto&) { return true; });
        editor->setText (text, false);
        popover.textEditorTextChanged (*editor);
    }

    juce::Label& warning (BankPopover& popover)
    {
        return *BrowserTest::find<juce::Label> (popover, [] (auto& l) { return l.getName() == "warningLabel"; });
    }
}

TEST_F (BankPopoverTest, OpensOnTheCurrentPresetsBankOnlyWhenThatPresetExists)
{
    setCurrent ("synths", "Pad");
    auto& onPage = open();
    ASSERT_NE (onPage.getPresetPage(), nullptr);
    EXPECT_EQ (onPage.getPresetPage()->getBankName(), "Synths");
    EXPECT_TRUE (! onPage.isVisible() && onPage.getPresetPage()->isVisible() && onPage.getPresetPage()->getParentComponent() == content.get());

    setCurrent ("Synths", "pad");      // preset names compare exactly
    auto& onList = open();
    EXPECT_TRUE (onList.getPresetPage() == nullptr && onList.isVisible());
    auto rows = rowTexts (onList.getBankList());
    rows.sort (false);
    EXPECT_EQ (rows, juce::StringArray ({ "All", "Favourites", "Keys", "Synths" }));
}

TEST_F (BankPopoverTest, AddEmptyWritesTheNewBankAndRefusesTakenOrUnusableNames)
{
    auto& popover = open();
    click (popover, "Add empty...");
    EXPECT_FALSE (popover.getBankList().isVisible());

    type (popover, "my: BANK");         // a colon cannot be part of a file name
    EXPECT_FALSE (warning (popover).isVisible());
    popover.textEditorReturnKeyPressed (*find<juce::TextEditor> (popover, [] (auto&) { return true; }));
    pump();

    EXPECT_EQ (banks().getChildFile ("my bank.xml").loadFileAsString(),
               "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n\r\n<bank>\r\n  <name>my BANK</name>\r\n  <presets/>\r\n</bank>\r\n");
    EXPECT_TRUE (rowTexts (popover.getBankList()).contains ("my BANK"));
    EXPECT_TRUE (popover.getBankList().isVisible() && button (popover, "Add empty...").isVisible());

    // A taken name in other letters warns and creates nothing; so does one
    // that cannot be a plain file in the Banks folder.
    const auto before = banks().findChildFiles (juce::File::findFilesAndDirectories, false).size();
    for (auto name : { "SYNTHS", "~home" })
    {
        click (popover, "Add empty...");
        type (popover, name);
        EXPECT_EQ (warning (popover).isVisible(), juce::String (name) == "SYNTHS");
        click (popover, "Save");
        EXPECT_FALSE (warning (popover).isVisible());
    }
    EXPECT_EQ (warning (popover).getText(), "Bank name already exists!");
    EXPECT_EQ (banks().findChildFiles (juce::File::findFilesAndDirectories, false).size(), before);

    click (popover, "Add empty...");
    type (popover, "../escape");
    click (popover, "Save");
    EXPECT_TRUE (banks().getChildFile ("..escape.xml").existsAsFile() && ! banks().getSiblingFile ("escape.xml").exists());
}

TEST_F (BankPopoverTest, ImportsTheChosenFileAndListsItUnderItsFileNameWhenItsNameIsTaken)
{
    auto& popover = open();
    auto source = juce::File::getSpecialLocation (juce::File::userHomeDirectory).getChildFile ("import/More.xml");
    source.getParentDirectory().createDirectory();
    source.replaceWithText ("<bank><name>keys</name><presets><preset><name>Brass</name></preset></presets></bank>");

    click (popover, "Import from file...");
    EXPECT_TRUE (dialogs->chooserTitle.startsWith ("Please select the bank you want to load... "));
    EXPECT_TRUE (dialogs->chooserTitle.endsWith (" *.xml"));
    dialogs->choose (source);
    popover.handleUpdateNowIfNeeded();

    EXPECT_EQ (popover.getImportFolder(), source.getParentDirectory());
    EXPECT_TRUE (rowTexts (popover.getBankList()).contains ("More"));
    EXPECT_NE (manager->findPreset ("More", "Brass"), nullptr);
}

TEST_F (BankPopoverTest, RemoveAsksAndDeletesTheBankAndItsFileOnlyOnOk)
{
    auto& popover = open();
    click (popover, "Remove...");
    EXPECT_EQ (button (popover, "Done").findColour (juce::TextButton::textColourOffId), juce::Colour (0xff30cc52));

    auto& list = popover.getBankList();
    for (int row = 0; row < 4; ++row)      // never on "All" and "Favourites"
        EXPECT_EQ (cellAt<BankListCell> (list, row).getDeleteButton().isVisible(), row >= 2);

    // On the glyph a click asks first.
    cellAt<BankListCell> (list, rowOf (list, "Keys")).getNameButton().clickCallback (false, 295, 11);
    ASSERT_EQ (dialogs->questions.size(), 1u);
    EXPECT_EQ (dialogs->questions[0].title, "Remove bank Keys");
    EXPECT_EQ (dialogs->questions[0].message, "Do you really want to remove this bank?\nThis cannot be undone.");

    dialogs->answer (false);
    popover.handleUpdateNowIfNeeded();
    EXPECT_TRUE (banks().getChildFile ("keys.xml").existsAsFile() && manager->getBank ("Keys") != nullptr);

    cellAt<BankListCell> (list, rowOf (list, "Keys")).getNameButton().clickCallback (false, 290, 11);
    dialogs->answer (true);
    popover.handleUpdateNowIfNeeded();
    EXPECT_FALSE (banks().getChildFile ("keys.xml").exists());
    EXPECT_EQ (rowTexts (list), juce::StringArray ({ "All", "Favourites", "Synths" }));

    // A click without a mouse event (keyboard) opens, wherever the mouse is.
    cellAt<BankListCell> (list, 2).getNameButton().triggerClick();
    pump();
    ASSERT_NE (popover.getPresetPage(), nullptr);
    EXPECT_EQ (popover.getPresetPage()->getBankName(), "Synths");
    EXPECT_TRUE (dialogs->questions.empty());
}

TEST_F (BankPopoverTest, AnAnswerAfterTheBrowserClosedChangesNothing)
{
    auto& popover = open();
    click (popover, "Remove...");
    auto& list = popover.getBankList();
    cellAt<BankListCell> (list, rowOf (list, "Synths")).getNameButton().clickCallback (false, 300, 5);
    auto question = std::move (dialogs->questions.front());

    popover.closePresetPage();
    this->popover.reset();          // the editor closed with the box open
    question.answer (true);
    EXPECT_TRUE (banks().getChildFile ("synths.xml").existsAsFile() && manager->getBank ("Synths") != nullptr);
}

TEST_F (BankPopoverTest, AContainerDeletedWithItsBoxIsNeverUsedAgain)
{
    auto& popover = open();
    content.reset();                // the call-out box closed and deleted it
    EXPECT_EQ (popover.getContainer(), nullptr);
    ASSERT_TRUE (popover.openPresetPage ("Keys"));
    EXPECT_EQ (popover.getPresetPage()->getParentComponent(), nullptr);

    // The next showing holds the hidden bank page and the visible preset page.
    content = popover.createContainer();
    EXPECT_TRUE (popover.getParentComponent() == content.get() && ! popover.isVisible());
    EXPECT_TRUE (popover.getPresetPage()->getParentComponent() == content.get() && popover.getPresetPage()->isVisible());
}

TEST_F (BankPopoverTest, CurrentNamesAreReadAndWrittenUnderTheBankManagersLock)
{
    setCurrent ("Synths", "Pad");
    int probes = 0, held = 0;
    client.onPropertyAccess = [&]
    {
        ++probes;
        std::thread ([&] { if (manager->getLock().tryEnter()) manager->getLock().exit(); else ++held; }).join();
    };

    auto& popover = open();
    auto& list = popover.getPresetPage()->getList();
    cellAt<BrowserRowCell> (list, 0).getNameButton().clickCallback (false, 10, 10);
    popover.closePresetPage();
    EXPECT_EQ (std::pair (probes >= 5, held), std::pair (true, probes));
}

TEST_F (BankPopoverTest, PaintsItsPagesWithOrWithoutThePictures)
{
    setCurrent ("Synths", "Lead");
    const juce::String previous (std::getenv ("VORLAN_COMMON_DATA_DIR"));
    const auto folders = juce::File::getSpecialLocation (juce::File::userHomeDirectory).getChildFile ("pictures");
    juce::File (VORLAN_RESOURCES_DIR).getChildFile ("buttons_faders")
        .copyDirectoryTo (folders.getChildFile ("shipped/Resources/buttons_faders"));

    auto paintWith = [&] (const char* common)
    {
        setenv ("VORLAN_COMMON_DATA_DIR", folders.getChildFile (common).getFullPathName().toRawUTF8(), 1);
        open();
        return content->createComponentSnapshot (content->getLocalBounds());
    };

    const auto bare = paintWith ("none");
    const auto shipped = paintWith ("shipped");
    setenv ("VORLAN_COMMON_DATA_DIR", previous.toRawUTF8(), 1);

    EXPECT_EQ (bare.getPixelAt (100, 2), juce::Colour (0xff606060));       // header
    EXPECT_EQ (bare.getPixelAt (250, 41), juce::Colour (0xffddded1));      // a row
    EXPECT_EQ (bare.getPixelAt (250, 63), juce::Colour (0xffdadada));      // the current preset's row
    EXPECT_EQ (bare.getPixelAt (16, 63), juce::Colour (0xffddded1));       // no star without its picture
    EXPECT_NE (shipped.getPixelAt (16, 63), juce::Colour (0xffddded1));    // Lead's filled star
}

TEST_F (BankPopoverTest, EachShowingHighlightsThePresetCurrentByThen)
{
    setCurrent ("Synths", "Pad");
    auto& popover = open();
    manager->loadPreset (manager->findPreset ("Synths", "Bass"));     // stepped with the screen's arrows
    content = popover.createContainer();

    auto& list = popover.getPresetPage()->getList();
    EXPECT_TRUE (cellAt<BrowserRowCell> (list, 0).getNameButton().getToggleState() && ! cellAt<BrowserRowCell> (list, 2).getNameButton().getToggleState());
}
