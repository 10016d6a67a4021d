#include "FakePresetClient.h"
#include "NamedPreset.h"
#include "PresetMarshaller.h"
#include "QmBankManager.h"
#include "QmDataFolders.h"
#include "QmFileWriter.h"
#include "QmParam.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace
{
    juce::String bankText (const juce::String& name, const juce::String& presetName)
        { return "<bank><name>" + name + "</name><presets><preset><name>" + presetName + "</name><params>0.25,0.75</params></preset></presets></bank>"; }

    juce::StringArray bankNames (QmBankManager& manager)
    {
        juce::StringArray names;
        for (auto* bank : manager.getBanks())
            names.add (bank->name);
        return names;
    }

    juce::File banks()    { return QmDataFolders::getUserDataFolder().getChildFile ("Banks"); }

    /** Counts reloads and, on the first, saves from inside the change. */
    struct ReloadCounter : PresetListener
    {
        explicit ReloadCounter (QmBankManager& m) : manager (m) {}

        void bankReloaded (juce::String bankName) override
        {
            reloaded.add (bankName);
            savedInside = savedInside || (reloaded.size() == 1 && manager.saveBank (manager.getBank (bankName)));
        }

        QmBankManager& manager;
        juce::StringArray reloaded;
        bool savedInside = false;
    };

    juce::File importFile (const juce::String& fileName, const juce::String& text)
    {
        auto file = juce::File::getSpecialLocation (juce::File::userHomeDirectory).getChildFile ("import/" + fileName);
        file.getParentDirectory().createDirectory();
        file.replaceWithText (text);
        return file;
    }

    class BankManagerTest : public ::testing::Test
    {
    protected:
        void SetUp() override
        {
            banks().deleteRecursively();
            const auto installed = QmDataFolders::getResourceFile ("banks/vorlan.xml");
            ASSERT_TRUE (installed.getParentDirectory().createDirectory());
            ASSERT_TRUE (juce::File (VORLAN_RESOURCES_DIR "/banks/vorlan.xml").copyFileTo (installed));
            factoryText = installed.loadFileAsString();
            manager = std::make_unique<QmBankManager> (&client);
        }

        std::vector<float> valuesOf (int presetIndex)
        {
            const auto& params = manager->getBank ("Vorlan")->presets[presetIndex]->params;
            return { params.begin(), params.end() };
        }

        FakePresetClient client;
        juce::String factoryText;
        std::unique_ptr<QmBankManager> manager;
    };
}

TEST_F (BankManagerTest, FirstRunListsTheFactoryBankLoadsAndStepsItsPresetsAndBanksAreMadeOnlyInsideTheBanksFolder)
{
    EXPECT_EQ (banks().getChildFile ("vorlan.xml").loadFileAsString(), factoryText);
    EXPECT_EQ (bankNames (*manager), juce::StringArray ({ "All", "Favourites", "Vorlan" }));

    auto* vorlan = manager->getBank ("VORLAN");
    ASSERT_NE (vorlan, nullptr);
    EXPECT_EQ (manager->getBankAt (99), vorlan);
    ASSERT_EQ (manager->loadStartupPreset(), manager->findPreset ("vorlan", "default"));
    EXPECT_EQ (std::tuple (client.values, client.properties["currentBank"], client.properties["currentPreset"]),
               std::tuple (valuesOf (0), juce::String ("Vorlan"), juce::String ("default")));

    // Shown from "All", stepping still moves within the preset's own bank.
    EXPECT_EQ (manager->stepPreset (-1), nullptr);
    client.properties.set ("currentBank", "All");
    EXPECT_EQ (manager->stepPreset (1), vorlan->presets[1]);
    EXPECT_EQ (std::pair (client.values, client.properties["currentBank"]), std::pair (valuesOf (1), juce::String ("Vorlan")));
    manager->loadPreset (vorlan->presets.getLast().get());
    EXPECT_EQ (manager->stepPreset (1), nullptr);

    // A short list leaves the rest, a long one stops at the last parameter,
    // NaN never arrives; a preset in no bank keeps "currentBank".
    client.values.assign (QmParam::count, 0.5f);
    QmPreset loose;
    loose.params = { 0.1f, std::nanf (""), 0.3f };
    manager->loadPreset (&loose);
    EXPECT_EQ (std::vector<float> (client.values.begin(), client.values.begin() + 4), std::vector<float> ({ 0.1f, 0.5f, 0.3f, 0.5f }));
    EXPECT_EQ (client.properties["currentBank"], "Vorlan");
    loose.params.insertMultiple (0, 0.9f, 50);
    manager->loadPreset (&loose);
    EXPECT_EQ (client.values[43], 0.9f);

    // Banks are made and removed only inside the Banks folder.
    const auto newBank = banks().getChildFile ("new bank.xml");
    ASSERT_TRUE (manager->createBank ("New Bank"));
    EXPECT_EQ (newBank.loadFileAsString(), "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n\r\n<bank>\r\n  <name>New Bank</name>\r\n  <presets/>\r\n</bank>\r\n");

    for (auto name : { "new BANK", "ALL", "", "   ", "../../x", "~x", "a/b", "a\\b", "tab\there" })
        EXPECT_FALSE (manager->createBank (name)) << name;
    EXPECT_EQ (banks().getNumberOfChildFiles (juce::File::findFilesAndDirectories), 2);
    EXPECT_FALSE (banks().getParentDirectory().getParentDirectory().getChildFile ("x.xml").exists());

    // A bank whose file cannot be removed stays.
    ASSERT_TRUE (newBank.deleteFile());
    ASSERT_TRUE (newBank.getChildFile ("blocker").create().wasOk());
    EXPECT_FALSE (manager->deleteBank (manager->getBank ("New Bank")));
    EXPECT_NE (manager->getBank ("New Bank"), nullptr);

    // Refusals instead of crashes or silent success.
    EXPECT_FALSE (manager->deleteBank (nullptr));
    EXPECT_FALSE (manager->deleteBank (manager->getBank ("All")));
    EXPECT_EQ (manager->savePreset ("All", "default", {}).getErrorMessage(), "Saving system bank");
    EXPECT_TRUE (manager->savePreset ("No bank", "default", {}).failed());
    EXPECT_TRUE (manager->savePreset ("Vorlan", "No preset", {}).failed());
    EXPECT_FALSE (manager->saveBankOfPreset (nullptr).wasOk());
    EXPECT_FALSE (manager->saveBank (nullptr));
    EXPECT_FALSE (manager->saveBank (manager->getBank ("All")));
    EXPECT_TRUE (manager->deleteBank (manager->getBank ("Vorlan")));
    EXPECT_EQ (std::pair (banks().getChildFile ("vorlan.xml").exists(), manager->getBank ("All")->presets.size()), std::pair (false, 0));
}

TEST_F (BankManagerTest, ImportsKeepFilesApartAndNamesUniqueAndRefuseWhatIsNoBank)
{
    // A new bank keeps its file name and its bytes; saving uses that file.
    const auto text = bankText ("Foo", "One");
    EXPECT_TRUE (manager->importBank (importFile ("Foo.xml", text)));
    EXPECT_EQ (banks().getChildFile ("Foo.xml").loadFileAsString(), text);
    EXPECT_TRUE (manager->saveBank (manager->getBank ("foo")));
    EXPECT_FALSE (banks().getChildFile ("foo.xml").exists());
    EXPECT_TRUE (banks().getChildFile ("Foo.xml").loadFileAsString().contains ("<presets>"));

    // A taken file name (any case) is refused; a taken bank name lists the
    // bank under its file name; both taken is refused; junk is not copied in.
    EXPECT_FALSE (manager->importBank (importFile ("FOO.XML", bankText ("Other", "x"))));
    EXPECT_TRUE (manager->importBank (importFile ("second.xml", bankText ("VORLAN", "Two"))));
    EXPECT_NE (manager->findPreset ("second", "Two"), nullptr);
    ASSERT_TRUE (manager->importBank (importFile ("mybank.xml", bankText ("Zed", "Three"))));
    EXPECT_FALSE (manager->importBank (importFile ("zed.xml", bankText ("vorlan", "Four"))));
    EXPECT_FALSE (manager->importBank (importFile ("junk.xml", "<bank>")));
    EXPECT_FALSE (manager->importBank (importFile ("text.txt", text)));
    for (auto name : { "zed.xml", "junk.xml", "text.txt" })
        EXPECT_FALSE (banks().getChildFile (name).exists()) << name;

    // A hostile bank name never reaches a path.
    ASSERT_TRUE (manager->importBank (importFile ("evil.xml", bankText ("../../evil", "Six"))));
    auto* evil = manager->getBank ("../../evil");
    ASSERT_NE (evil, nullptr);
    EXPECT_TRUE (manager->saveBank (evil));
    EXPECT_TRUE (manager->deleteBank (evil));
    EXPECT_FALSE (banks().getChildFile ("evil.xml").exists());
    EXPECT_FALSE (banks().getParentDirectory().getParentDirectory().getChildFile ("evil.xml").exists());
    EXPECT_EQ (manager->getBanks().size(), 6);   // All, Favourites, Vorlan, Foo, second, Zed

    // Control characters are dropped from bank, preset and file names: the
    // writer's references for them made the whole bank unreadable at the next start.
    ASSERT_TRUE (manager->createBank ("Ctl\x01 Bank\x1f"));
    auto* bank = manager->getBank ("Ctl Bank");
    ASSERT_NE (bank, nullptr);
    ASSERT_TRUE (bank->addPreset (namedPreset ("Bell\x02\tTone\x1b").get()));
    EXPECT_TRUE (manager->savePreset ("Ctl Bank", "Bell\tTone\x07", {}).wasOk());
    EXPECT_TRUE (manager->importBank (importFile ("imp\x03orted.xml", bankText ("ctl bank", "x"))));

    // What is no bank is refused; a bank without a name is listed under its file's name.
    for (auto text : { "<notes><x/></notes>", "<bank><name>No presets</name></bank>", "<bank/>" })
    {
        EXPECT_FALSE (manager->importBank (importFile ("other.xml", text))) << text;
        EXPECT_EQ (manager->takeLastFailure(), "The file is not a bank") << text;
    }
    EXPECT_FALSE (banks().getChildFile ("other.xml").exists());
    EXPECT_TRUE (manager->importBank (importFile ("Nameless.xml", "<bank><presets><preset><name>a</name></preset></presets></bank>")));

    // The next start reports an unreadable bank once and leaves its file.
    const auto broken = banks().getChildFile ("broken.xml");
    ASSERT_TRUE (broken.replaceWithText ("<bank><name>Broken"));
    testing::internal::CaptureStdout();
    manager = std::make_unique<QmBankManager> (&client);
    EXPECT_EQ (juce::String (testing::internal::GetCapturedStdout()), "Vorlan: cannot read the bank file " + broken.getFullPathName() + "; it is skipped\n");
    EXPECT_EQ (broken.loadFileAsString(), "<bank><name>Broken");
    EXPECT_NE (manager->findPreset ("Ctl Bank", "Bell\tTone"), nullptr);
    EXPECT_NE (manager->findPreset ("imported", "x"), nullptr);
    EXPECT_NE (manager->findPreset ("Nameless", "a"), nullptr);
}

TEST_F (BankManagerTest, StartSkipsCorruptHostileAndSpecialFilesAndListsEveryBankUnderANameOfItsOwn)
{
    for (auto [name, text] : { std::pair<const char*, juce::String> { "vorlan.xml", factoryText }, { "copy.xml", factoryText },
                               { "Copy.xml", bankText ("VORLAN", "x") }, { "half.xml", factoryText.substring (0, factoryText.length() / 2) },
                               { "empty.xml", "<bank/>" }, { "deep.xml", juce::String::repeatedString ("<bank>", 100000) }, { "notes.txt", bankText ("Notes", "x") },
                               { "spin.xml", "<bank><name>S</name><presets><preset><?x?>a</preset></presets></bank>" },
                               { "hidden.xml", "<bank <!-- \" -->>" + juce::String::repeatedString ("<presets>", 50000) },
                               { "entity.xml", "<n>&#x" } })
        banks().getChildFile (name).replaceWithText (text);

    // A FIFO named like a bank would block the start for good.
    const auto fifo = banks().getChildFile ("fifo.xml");
    ASSERT_EQ (mkfifo (fifo.getFullPathName().toRawUTF8(), 0600), 0);

    // Banks whose names differ only in case hid one another by directory order.
    manager = std::make_unique<QmBankManager> (&client);
    const auto names = bankNames (*manager);
    ASSERT_EQ (names.size(), 5);
    ASSERT_TRUE (names.contains ("Vorlan"));
    for (auto& name : names)
        EXPECT_EQ (manager->getBank (name)->name, name) << name;
    EXPECT_FALSE (manager->importBank (fifo));

    // The half-written file is no one's to overwrite.
    EXPECT_FALSE (manager->createBank ("HALF"));
    EXPECT_EQ (banks().getChildFile ("half.xml").getSize(), (juce::int64) factoryText.length() / 2);

    // A renamed bank saves into its own file; every file stays.
    auto* renamed = manager->getBank (names[4] == "Vorlan" ? names[3] : names[4]);
    const auto file = renamed->file;
    EXPECT_TRUE (manager->saveBank (renamed));
    EXPECT_TRUE (file.loadFileAsString().contains ("<name>" + renamed->name + "</name>"));
    EXPECT_EQ (banks().getNumberOfChildFiles (juce::File::findFiles), 11);
}

TEST_F (BankManagerTest, StateChunkHasTheExactBytesRestoresValuesRefusesHostileOnesAndHoldsTheLock)
{
    std::vector<float> state (QmParam::count, 0.0f);
    state[0] = 0.4f;
    state[1] = 0.00001f;
    state[43] = 1.0f;
    client.values = state;
    // Control characters are dropped from its names: the writer's references
    // for them made the whole chunk unreadable.
    client.properties.set ("currentPreset", "Bass\x02 & Co");
    client.properties.set ("currentBank", "Vor\x1flan");

    juce::MemoryBlock chunk;
    manager->getState (chunk);
    const auto text = chunk.toString();
    const auto uuid = text.fromFirstOccurrenceOf ("<uuid>", false, false).upToFirstOccurrenceOf ("</uuid>", false, false);
    EXPECT_EQ (uuid.length(), 32) << uuid;
    EXPECT_TRUE (uuid.containsOnly ("0123456789abcdef")) << uuid;
    EXPECT_EQ (text, "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n\r\n<preset>\r\n"
                     "  <name>Bass &amp; Co</name>\r\n  <version>1.0</version>\r\n  <pluginVersion></pluginVersion>\r\n"
                     "  <fav>false</fav>\r\n  <uuid>" + uuid + "</uuid>\r\n  <tags></tags>\r\n"
                     "  <params>0.4,1e-05" + juce::String::repeatedString (",0", 41) + ",1</params>\r\n"
                     "  <bankName>Vorlan</bankName>\r\n</preset>\r\n");

    client.values.assign (QmParam::count, 0.5f);
    client.properties.set ("currentPreset", "x");
    client.properties.set ("currentBank", "Elsewhere");
    manager->setState (chunk.getData(), (int) chunk.getSize());
    EXPECT_EQ (std::tuple (client.values, client.properties["currentPreset"], client.properties["currentBank"]),
               std::tuple (state, juce::String ("Bass & Co"), juce::String ("Vorlan")));

    // A bank that is not on this machine: the next state names it again.
    const auto gone = text.replace ("<bankName>Vorlan", "<bankName>Gone");
    manager->setState (gone.toRawUTF8(), (int) gone.getNumBytesAsUTF8());
    manager->getState (chunk);
    EXPECT_TRUE (chunk.toString().contains ("<bankName>Gone</bankName>"));

    // Names only a hand-made bank can hold, as long as its file allows and
    // written as their longest references: the chunk still reads back.
    const auto huge = juce::String::repeatedString ("\"", 3 * 1024 * 1024);
    client.properties.set ("currentPreset", huge);
    client.properties.set ("currentBank", huge);
    manager->getState (chunk);
    client.values.assign (QmParam::count, 0.5f);
    manager->setState (chunk.getData(), (int) chunk.getSize());
    EXPECT_EQ (client.values, state);
    EXPECT_EQ (client.properties["currentPreset"], huge.substring (0, PresetMarshaller::maxStateNameLength));

    // Hostile chunks change nothing: a hang, a stack overflow behind a comment
    // in a tag, a read past the end; junk, a cut chunk, one too deep, one too
    // large; none at all.
    client.writes = 0;
    const auto current = client.properties["currentPreset"];
    for (auto hostile : { juce::String ("<preset><?x?>a</preset>"), "<a <!-- > </b> -->>" + juce::String::repeatedString ("<a>", 40000),
                          juce::String ("<n>&#x"), juce::String ("garbage"), text.substring (0, 200), juce::String::repeatedString ("<preset>", 50000),
                          "<preset><params>" + juce::String::repeatedString ("0.5,", 300000) + "</params></preset>" })
    {
        manager->setState (hostile.toRawUTF8(), (int) hostile.getNumBytesAsUTF8());
        EXPECT_EQ (std::pair (client.writes, client.properties["currentPreset"]), std::pair (0, current)) << hostile.substring (0, 30);
    }
    manager->setState (nullptr, 10);
    manager->setState ("x", 0);
    EXPECT_EQ (client.writes, 0);

    // Whenever the manager reaches the client, another thread must find its lock taken.
    int heldCount = 0, probes = 0;
    client.onPropertyAccess = [&]
    {
        ++probes;
        std::thread ([&] { if (manager->getLock().tryEnter()) manager->getLock().exit(); else ++heldCount; }).join();
    };

    manager->getState (chunk);
    manager->setState (chunk.getData(), (int) chunk.getSize());
    manager->stepPreset (1);
    EXPECT_EQ (std::pair (probes >= 3, heldCount), std::pair (true, probes));
    client.onPropertyAccess = nullptr;
}

TEST_F (BankManagerTest, AChangeTheDiskRefusesIsReportedAndLeavesWhatTheFileHolds)
{
    auto* vorlan = manager->getBank ("Vorlan");
    const auto file = banks().getChildFile ("vorlan.xml"), temp = banks().getChildFile (".vorlan.xml.tmp");
    const auto before = file.loadFileAsString();
    const auto count = vorlan->presets.size(), favourites = manager->getBank ("Favourites")->presets.size();
    auto* second = vorlan->presets[1].get();
    const auto secondName = second->name;

    // A nearly full disk: the browser's add, star and removal all fail.
    setFileWriteRoomForTests (4096);
    EXPECT_TRUE (vorlan->addPreset (namedPreset ("New").get()));
    EXPECT_EQ (manager->takeLastFailure(), "The bank file cannot be written");
    EXPECT_EQ (manager->takeLastFailure(), "");
    EXPECT_EQ (vorlan->findPresetByName (secondName), second);      // read again, still the same preset
    manager->presetFavouriteChanged (second, true);
    EXPECT_EQ (manager->takeLastFailure(), "The bank file cannot be written");
    vorlan->removePreset (vorlan->findPresetByName (secondName));
    EXPECT_EQ (manager->takeLastFailure(), "The bank file cannot be written");
    EXPECT_FALSE (manager->saveBank (vorlan));
    EXPECT_TRUE (manager->savePreset ("Vorlan", "default", {}).failed());
    setFileWriteRoomForTests (-1);

    EXPECT_EQ (file.loadFileAsString(), before);
    EXPECT_FALSE (temp.exists());
    EXPECT_EQ (vorlan->findPresetByName ("New"), nullptr);
    ASSERT_EQ (vorlan->presets.size(), count);
    ASSERT_NE (vorlan->findPresetByName (secondName), nullptr);
    EXPECT_FALSE (vorlan->findPresetByName (secondName)->fav);
    EXPECT_EQ (manager->getBank ("All")->presets.size(), count);
    EXPECT_EQ (manager->getBank ("Favourites")->presets.size(), favourites);

    // A file the user made read-only is not rewritten.
    ASSERT_TRUE (file.setReadOnly (true));
    manager->presetFavouriteChanged (vorlan->presets[0].get(), true);
    EXPECT_EQ (manager->takeLastFailure(), "The bank file is read-only");
    EXPECT_FALSE (vorlan->presets[0]->fav);
    EXPECT_EQ (file.loadFileAsString(), before);
    ASSERT_TRUE (file.setReadOnly (false));

    // A longer leftover of an interrupted write is not appended to.
    ASSERT_TRUE (temp.replaceWithText (before + "junk"));
    manager->presetFavouriteChanged (vorlan->presets[0].get(), true);
    EXPECT_EQ (manager->takeLastFailure(), "");
    EXPECT_TRUE (file.loadFileAsString().endsWith ("</bank>\r\n"));
}

TEST_F (BankManagerTest, RemovingThePlayingPresetLoadsTheOneThatTakesItsPlaceOrTheOneBeforeTheLast)
{
    auto* vorlan = manager->getBank ("Vorlan");
    ASSERT_GE (vorlan->presets.size(), 6);
    juce::StringArray names;
    for (auto* preset : vorlan->presets)
        names.add (preset->name);

    // The preset playing, then removed as the browser removes it: what is
    // loaded, with its values, is still in the bank.
    const auto removePlaying = [&] (int position)
    {
        manager->loadPreset (vorlan->presets[position].get());
        client.values.assign (QmParam::count, -1.0f);
        vorlan->removePreset (vorlan->presets[position].get());
        const auto playing = client.properties["currentPreset"];
        auto* loaded = vorlan->findPresetByName (playing);
        EXPECT_EQ (std::pair (client.properties["currentBank"], loaded != nullptr), std::pair (juce::String ("Vorlan"), true)) << playing;
        if (loaded != nullptr)
            EXPECT_EQ (client.values, std::vector<float> (loaded->params.begin(), loaded->params.end())) << playing;
        return playing;
    };

    // In the middle and first: the next one, now in its place.
    EXPECT_EQ (removePlaying (2), names[3]);
    EXPECT_EQ (removePlaying (0), names[1]);
    EXPECT_EQ (removePlaying (1), names[4]);

    // The last: the one before it.
    EXPECT_EQ (removePlaying (vorlan->presets.size() - 1), names[names.size() - 2]);
    EXPECT_EQ (manager->takeLastFailure(), "");
}

TEST_F (BankManagerTest, TwoInstancesOnOneFolderKeepEachOthersChanges)
{
    FakePresetClient otherClient;
    QmBankManager other (&otherClient);
    ReloadCounter reloads (other);
    other.addListener (&reloads);

    auto* mine = manager->getBank ("Vorlan");
    auto* theirs = other.getBank ("Vorlan");
    const auto removedName = mine->presets[0]->name;

    // Each saves, stars, removes and overwrites in turn, never knowing of the
    // other. A new preset takes the plug-in's values and its version.
    client.values[0] = 0.75f;
    EXPECT_TRUE (mine->addPreset (namedPreset ("One", { 4 }).get()));
    EXPECT_TRUE (theirs->addPreset (namedPreset ("Two").get()));
    mine->removePreset (mine->presets[0].get());
    other.presetFavouriteChanged (other.findPreset ("Vorlan", "One"), true);
    client.values.assign (QmParam::count, 0.25f);
    manager->presetChanged (manager->findPreset ("Vorlan", "Two"));
    for (auto* m : { manager.get(), &other })
        EXPECT_EQ (m->takeLastFailure(), "");

    // The other instance read the bank again for its save and for its star.
    EXPECT_EQ (reloads.reloaded, juce::StringArray ({ "Vorlan", "Vorlan" }));
    EXPECT_TRUE (reloads.savedInside);
    QmBankManager fresh (&client);
    auto* one = fresh.findPreset ("Vorlan", "One");
    auto* two = fresh.findPreset ("Vorlan", "Two");
    ASSERT_NE (one, nullptr);
    ASSERT_NE (two, nullptr);
    EXPECT_EQ (std::tuple (one->params[0], one->tags, one->pluginVersion, one->fav), std::tuple (0.75f, juce::Array<int> ({ 4 }), juce::String ("1.0.0"), true));
    EXPECT_EQ (std::pair (fresh.getBank ("Favourites")->presets.size(), fresh.getBank ("Favourites")->presets[0].get()), std::pair (1, one));
    EXPECT_EQ (two->params[5], 0.25f);
    EXPECT_EQ (fresh.findPreset ("Vorlan", removedName), nullptr);

    // What each instance lists is its bank: "All" holds no preset of an older read.
    for (auto* m : { manager.get(), &other })
    {
        auto* bank = m->getBank ("Vorlan");
        EXPECT_EQ (m->getBank ("All")->getPresets(), bank->getPresets());
        for (auto* preset : bank->presets)
            EXPECT_EQ (std::pair (preset->bank, preset->index), std::pair (bank, bank->presets.indexOf (preset) + 1));
    }
    other.removeListener (&reloads);
}

TEST_F (BankManagerTest, TwoProcessesSavingAtOnceLoseNothing)
{
    constexpr int each = 25;
    const auto child = fork();
    ASSERT_GE (child, 0);

    // The child saves with a manager of its own, then leaves without cleaning up.
    const juce::String prefix (child == 0 ? "Child " : "Parent ");
    auto* saver = child == 0 ? new QmBankManager (&client) : manager.get();
    for (int i = 0; i < each; ++i)
        saver->getBank ("Vorlan")->addPreset (namedPreset (prefix + juce::String (i)).get());
    if (child == 0)
        _exit (saver->takeLastFailure().isEmpty() ? 0 : 1);

    int status = -1;
    ASSERT_EQ (waitpid (child, &status, 0), child);
    EXPECT_EQ (status, 0);

    QmBankManager fresh (&client);
    for (auto name : { "Child ", "Parent " })
        for (int i = 0; i < each; ++i)
            EXPECT_NE (fresh.findPreset ("Vorlan", name + juce::String (i)), nullptr) << name << i;
}

TEST_F (BankManagerTest, ANewPresetNeverWritesOverOneOfItsNameThatAnotherInstanceSavedMeanwhile)
{
    // The other instance read the bank before this one saves "Same".
    FakePresetClient otherClient;
    QmBankManager other (&otherClient);
    client.values.assign (QmParam::count, 0.75f);
    ASSERT_TRUE (manager->getBank ("Vorlan")->addPreset (namedPreset ("Same").get()));

    // Its own new "Same" is refused; it lists this one's instead, as the file holds it.
    const auto late = namedPreset ("Same");
    other.getBank ("Vorlan")->addPreset (late.get());
    EXPECT_EQ (other.takeLastFailure(), "Another instance saved a preset of that name meanwhile");
    auto* listed = other.findPreset ("Vorlan", "Same");
    ASSERT_NE (listed, nullptr);
    EXPECT_EQ (std::tuple (listed == late.get(), listed->params[0], other.getBank ("All")->presets.contains (listed)), std::tuple (false, 0.75f, true));
    EXPECT_EQ (QmBankManager (&client).findPreset ("Vorlan", "Same")->params[0], 0.75f);
}

TEST_F (BankManagerTest, ABankWhoseFileAnotherInstanceRemovedLeavesTheListAndASaveRacingTheRemovalNeverBringsItBack)
{
    ASSERT_TRUE (manager->createBank ("Gone"));
    ASSERT_TRUE (manager->getBank ("Gone")->addPreset (namedPreset ("G1").get()));
    manager->loadPreset (manager->findPreset ("Gone", "G1"));

    FakePresetClient otherClient;
    QmBankManager other (&otherClient);
    ASSERT_TRUE (other.deleteBank (other.getBank ("Gone")));

    // A new preset finds the file gone: told, and the bank leaves as a removed
    // one does, with its presets and the current preset. The bank that was
    // telling its listeners lives on under the call.
    QmPreset::Ptr g1 (manager->findPreset ("Gone", "G1"));
    manager->getBank ("Gone")->addPreset (namedPreset ("G2").get());
    EXPECT_EQ (manager->takeLastFailure(), "The bank file no longer exists");
    EXPECT_EQ (bankNames (*manager), juce::StringArray ({ "All", "Favourites", "Vorlan" }));
    EXPECT_FALSE (manager->getBank ("All")->presets.contains (g1.get()));
    EXPECT_EQ (client.properties["currentBank"], "Vorlan");
    EXPECT_FALSE (banks().getChildFile ("gone.xml").exists());

    // Another instance saves while this one removes the bank: the removal
    // waits for a write under way, and a later save finds the file gone.
    for (int round = 0; round < 20; ++round)
    {
        ASSERT_TRUE (manager->createBank ("Race")) << round;
        other.reloadBanks();
        std::atomic<bool> saving { false };
        std::thread saver ([&]
        {
            auto* bank = other.getBank ("Race");
            for (int i = 0; i < 500 && other.getBank ("Race") == bank; ++i, saving = true)
                bank->addPreset (namedPreset ("P" + juce::String (i)).get());
        });

        while (! saving)
            std::this_thread::yield();

        EXPECT_TRUE (manager->deleteBank (manager->getBank ("Race")));
        saver.join();
        ASSERT_FALSE (banks().getChildFile ("race.xml").exists()) << round;
    }
}

TEST_F (BankManagerTest, EveryBankTheStartReadsTakesAStarAndIsReadAgainAndAChangeBeyondTheLimitsIsRefusedLeavingTheFile)
{
    const auto writeBank = [] (const juce::File& file, const juce::String& name, int count, const juce::String& extra)
    {
        juce::MemoryOutputStream text;
        text << "<bank><name>" << name << "</name><presets>";
        for (int i = 0; i < count; ++i)
            text << "<preset><name>P" << i << "</name>" << extra << "</preset>";
        text << "</presets></bank>";
        return file.replaceWithData (text.getData(), text.getDataSize());
    };

    // Hand-made: a name and the parameters only. Written whole, each preset
    // takes far more nodes than it did; the next start still reads it.
    ASSERT_TRUE (writeBank (banks().getChildFile ("handmade.xml"), "Handmade", 20000, "<params>0.5,0.25</params>"));
    manager = std::make_unique<QmBankManager> (&client);
    auto* handmade = manager->getBank ("Handmade");
    ASSERT_NE (handmade, nullptr);
    manager->presetFavouriteChanged (handmade->presets[12345].get(), true);
    EXPECT_EQ (manager->takeLastFailure(), "");

    manager = std::make_unique<QmBankManager> (&client);
    ASSERT_NE (manager->getBank ("Handmade"), nullptr);
    EXPECT_EQ (manager->getBank ("Handmade")->presets.size(), 20000);
    ASSERT_EQ (manager->getBank ("Favourites")->presets.size(), 1);
    EXPECT_EQ (manager->getBank ("Favourites")->presets[0]->name, "P12345");
    EXPECT_EQ (manager->getBank ("Handmade")->presets[19999]->params[1], 0.25f);

    // A full bank takes a star but no further preset: the file stays as it
    // was and the bank holds what the file holds.
    ASSERT_TRUE (writeBank (banks().getChildFile ("full.xml"), "Full", PresetMarshaller::maxBankPresets, {}));
    manager = std::make_unique<QmBankManager> (&client);
    auto* full = manager->getBank ("Full");
    ASSERT_NE (full, nullptr);
    manager->presetFavouriteChanged (full->presets[0].get(), true);
    EXPECT_EQ (manager->takeLastFailure(), "");
    const auto written = banks().getChildFile ("full.xml").loadFileAsString();
    EXPECT_TRUE (full->addPreset (namedPreset ("One too many").get()));
    EXPECT_EQ (manager->takeLastFailure(), "The bank would grow too large to be read again; the change is not saved");
    EXPECT_EQ (banks().getChildFile ("full.xml").loadFileAsString(), written);
    EXPECT_EQ (std::pair (full->presets.size(), full->findPresetByName ("One too many")), std::pair (PresetMarshaller::maxBankPresets, (QmPreset*) nullptr));

    // A bank of more presets than that is not read, nor imported.
    const auto outside = importFile ("over.xml", {}), over = banks().getChildFile ("over.xml");
    ASSERT_TRUE (writeBank (outside, "Over", PresetMarshaller::maxBankPresets + 1, {}));
    EXPECT_FALSE (manager->importBank (outside));
    EXPECT_EQ (manager->takeLastFailure(), "The bank holds more than 100000 presets");
    ASSERT_TRUE (outside.copyFileTo (over));
    manager = std::make_unique<QmBankManager> (&client);
    EXPECT_EQ (manager->getBank ("Over"), nullptr);
    EXPECT_NE (manager->getBank ("Full"), nullptr);
}

TEST_F (BankManagerTest, ANewBankIsAddedWithoutReadingTheOthersAgainAndNamesAreFoundInAnyCaseUntilTheirBankGoes)
{
    const auto utf8 = [] (const char* text) { return juce::String::fromUTF8 (text); };

    // What a scan of the list, comparing ignoring case, finds first.
    const auto scan = [this] (const juce::String& name) -> QmBank*
    {
        for (auto* bank : manager->getBanks())
            if (bank->name.equalsIgnoreCase (name))
                return bank;
        return nullptr;
    };

    const QmPreset::Ptr held (manager->findPreset ("Vorlan", "default"));
    ASSERT_NE (held, nullptr);

    ASSERT_TRUE (manager->createBank (utf8 ("Straße")));
    ASSERT_TRUE (manager->createBank (utf8 ("Ünïcode")));
    EXPECT_EQ (manager->findPreset ("vorlan", "default"), held.get());
    const juce::String expected[] = { "All", "Favourites", "Vorlan", utf8 ("Straße"), utf8 ("Ünïcode") };
    EXPECT_EQ (bankNames (*manager), juce::StringArray (expected, 5));

    for (auto asked : { "STRASSE", "STRAßE", "straße", "ünÏCODE", "ÜNÏCODE", "favourites", "ALL", "Vorla", "vorlan ", "" })
        EXPECT_EQ (manager->getBank (utf8 (asked)), scan (utf8 (asked))) << asked;
    EXPECT_NE (manager->getBank ("VORLAN"), nullptr);

    EXPECT_FALSE (manager->createBank (utf8 ("Ünïcode").toLowerCase()));
    ASSERT_TRUE (manager->deleteBank (manager->getBank (utf8 ("Straße"))));
    EXPECT_EQ (manager->getBank (utf8 ("Straße")), nullptr);
    EXPECT_NE (manager->getBank (utf8 ("Ünïcode")), nullptr);
    EXPECT_TRUE (manager->createBank ("STRASSE"));
    EXPECT_EQ (manager->getBank ("strasse"), manager->getBankAt (4));

    // A new file whose bank name is listed already is listed under a name of its own.
    ASSERT_TRUE (manager->importBank (importFile ("other.xml", bankText ("Dup", "x"))));
    EXPECT_TRUE (manager->createBankFile ("DUP").wasOk());
    auto* second = manager->getBank ("dup (2)");
    ASSERT_NE (second, nullptr);
    EXPECT_EQ (std::pair (manager->getBank ("dup")->file.getFileName(), second->file.getFileName()), std::pair (juce::String ("other.xml"), juce::String ("dup.xml")));
}
