#include "QmCache.h"
#include "QmDataFolders.h"
#include "QmDiodeNonlin.h"
#include "QmFileWriter.h"
#include "FilterTestRig.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <thread>

namespace
{
    constexpr size_t tableBytes = 4096 * sizeof (float);

    juce::File cacheFolder() { return QmDataFolders::getUserDataFolder().getChildFile (".qmcache"); }

    // The nonlinearities of the filters, the amplifier and the waveshaper, by key.
    struct AllTables
    {
        filtertest::Rig rig;
        QmMultiFilterModule lowPass { &rig.context };
        QmHPFilterModule highPass { &rig.context };
        QmDiodeNonlin diode;
        QmJFetNonlin jfet05 { 2, 0.5f }, jfet08 { 2, 0.8f };

        std::map<std::string, const float*> tables() const
        {
            return { { "nl_diode_1_2", diode.table }, { "nl_jfet_0.500000_1", highPass.stage.nonlin->table },
                     { "nl_jfet_0.500000_2", jfet05.table }, { "nl_jfet_0.800000_2", jfet08.table },
                     { "nl_jfet_-0.900000_2", lowPass.satJFet.table }, { "nl_jfet_-0.900000_0", lowPass.transferJFet.table },
                     { "nl_jfet_-0.900000_1", lowPass.coreA.nl0->table }, { "nl_jfet_0.700000_1", lowPass.coreB.nl1->table },
                     { "nl_jfet_0.700000_0", lowPass.coreA.nl2->table }, { "nl_jfet_0.200000_1", lowPass.coreB.nl3->table } };
        }
    };

    // The next start of the plug-in, in a child process: a new cache instance
    // that finds only the files on disk. body returns its failures, one per line.
    template <typename Body>
    void runInNextStart (Body body)
    {
        EXPECT_EXIT (
            {
                delete QmCache::getInstance();
                const std::string failures = body();
                std::fputs (failures.c_str(), stderr);
                std::_Exit (failures.empty() ? 0 : 1);
            },
            ::testing::ExitedWithCode (0), "");
    }

    juce::MemoryBlock fileBytes (const std::string& key)
    {
        juce::MemoryBlock block;
        cacheFolder().getChildFile (key).loadFileAsData (block);
        return block;
    }
}

TEST (TableCache, TablesAreSolvedOnceAndReadBackOnTheNextStartByEveryThread)
{
    std::map<std::string, juce::MemoryBlock> solved;

    const AllTables first;
    for (auto& [key, table] : first.tables())
    {
        solved[key] = fileBytes (key);
        ASSERT_EQ (solved[key].getSize(), tableBytes) << key;
        EXPECT_EQ (std::memcmp (solved[key].getData(), table, tableBytes), 0) << key;
    }

    // Files that no solver could produce: if the next start uses them
    // unchanged, it computed nothing. Three of them are damaged, cut short (a
    // crash while writing), too long, or holding a NaN: those are solved
    // again and replaced.
    const std::string shortKey = "nl_diode_1_2", longKey = "nl_jfet_0.200000_1", nanKey = "nl_jfet_0.800000_2";
    std::vector<float> marked (4097), withNaN;
    for (size_t i = 0; i < marked.size(); ++i)
        marked[i] = (float) i * 0.25f;
    (withNaN = marked)[4095] = std::numeric_limits<float>::quiet_NaN();

    for (auto& [key, block] : solved)
    {
        const auto size = key == shortKey ? (size_t) 1000 : key == longKey ? tableBytes + 4 : tableBytes;
        ASSERT_TRUE (cacheFolder().getChildFile (key).replaceWithData ((key == nanKey ? withNaN : marked).data(), size));
    }

    runInNextStart ([&]
    {
        // Two instances starting on two threads share one cache and one table.
        QmCache* caches[2] = {};
        const float* tables[2] = {};
        auto start = [&] (int i) { caches[i] = QmCache::getInstance(); tables[i] = QmJFetNonlin (2, 0.3f).table; };
        std::thread a (start, 0), b (start, 1);
        a.join(), b.join();
        std::string failures = caches[0] == caches[1] && tables[0] == tables[1] ? "" : "two caches or tables\n";

        const AllTables next;
        for (auto& [key, table] : next.tables())
        {
            const bool damaged = key == shortKey || key == longKey || key == nanKey;
            if (std::memcmp (table, damaged ? solved[key].getData() : marked.data(), tableBytes) != 0)
                failures += key + (damaged ? " was not solved again\n" : " was not read from its file\n");
        }

        return failures;
    });

    for (const auto& key : { shortKey, longKey, nanKey })
        EXPECT_EQ (fileBytes (key), solved[key]) << key;
    EXPECT_EQ (fileBytes ("nl_jfet_0.300000_2").getSize(), tableBytes);

    // Files are written under a temporary name and renamed: none is left behind.
    for (auto& f : cacheFolder().findChildFiles (juce::File::findFiles, false))
        EXPECT_FALSE (f.getFileName().contains ("_temp")) << f.getFileName();

    for (auto& [key, block] : solved)
        ASSERT_TRUE (cacheFolder().getChildFile (key).replaceWithData (block.getData(), block.getSize()));
}

TEST (TableCache, ATableTheDiskCannotTakeLeavesNoPartOfItOnDiskAndServesFromMemory)
{
    // A full disk: no part of the table under its key (at most the empty file
    // a lookup leaves), nothing beside it, an older table kept whole; the
    // table still serves this start.
    std::vector<float> table (4096, 0.5f), older (4096, 0.25f);
    auto* cache = QmCache::getInstance();
    ASSERT_TRUE (cacheFolder().getChildFile ("nl_older").replaceWithData (older.data(), tableBytes));
    const auto before = cacheFolder().getNumberOfChildFiles (juce::File::findFiles, "*");

    setFileWriteRoomForTests (1000);
    cache->store ("nl_full_disk", table.data(), tableBytes);
    cache->store ("nl_older", table.data(), tableBytes);
    setFileWriteRoomForTests (-1);

    EXPECT_EQ (cacheFolder().getChildFile ("nl_full_disk").getSize(), 0);
    EXPECT_EQ (fileBytes ("nl_older"), juce::MemoryBlock (older.data(), tableBytes));
    EXPECT_LE (cacheFolder().getNumberOfChildFiles (juce::File::findFiles, "*"), before + 1);

    size_t numBytes = 0;
    const void* served = cache->get ("nl_full_disk", {}, &numBytes);
    ASSERT_EQ (numBytes, tableBytes);
    EXPECT_EQ (std::memcmp (served, table.data(), tableBytes), 0);
    cacheFolder().getChildFile ("nl_older").deleteFile();
}

TEST (DataFolders, FoldersAndCacheKeysAreNamedCreatedAndSeeded)
{
    // A host with a decimal comma must not rename the cache's files.
    for (const char* name : { "de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "de_DE" })
        if (std::setlocale (LC_ALL, name) != nullptr)
            EXPECT_EQ (QmJFetNonlin::makeKey (1, 0.5f), "nl_jfet_0.500000_1") << name;
    std::setlocale (LC_ALL, "C");

    const juce::File home (juce::String::fromUTF8 (std::getenv ("HOME")));
    const juce::String common (juce::String::fromUTF8 (std::getenv ("VORLAN_COMMON_DATA_DIR")));
    const auto user = QmDataFolders::getUserDataFolder();
    EXPECT_EQ (user, home.getChildFile (".config/Quillmoor/Vorlan"));
    EXPECT_TRUE (user.isDirectory());

    // The override names the all-users folder itself; resources live below
    // it, and naming one creates nothing.
    EXPECT_EQ (QmDataFolders::getCommonDataFolder(), juce::File (common));
    EXPECT_TRUE (juce::File (common).isDirectory());
    const auto skin = QmDataFolders::getResourceFile ("skin/skin.svg");
    EXPECT_EQ (skin, juce::File (common).getChildFile ("Resources/skin/skin.svg"));
    EXPECT_FALSE (skin.getParentDirectory().exists());

    // Unset or empty, the all-users folder is the system one.
    setenv ("VORLAN_COMMON_DATA_DIR", "", 1);
    EXPECT_EQ (QmDataFolders::getDataFolder (true),
               juce::File::getSpecialLocation (juce::File::commonApplicationDataDirectory).getChildFile ("Quillmoor/Vorlan"));
    setenv ("VORLAN_COMMON_DATA_DIR", common.toRawUTF8(), 1);

    // The banks folder is seeded with the factory bank only when it is missing.
    const auto factory = QmDataFolders::getResourceFile ("banks/vorlan.xml");
    ASSERT_TRUE (factory.getParentDirectory().createDirectory());
    ASSERT_TRUE (factory.replaceWithText ("<bank><name>Vorlan</name><presets/></bank>"));

    const auto banks = QmDataFolders::getUserDataFolder().getChildFile ("Banks");
    banks.deleteRecursively();

    // First use: the folder is created and the factory bank copied in.
    EXPECT_EQ (QmDataFolders::getBanksFolder(), banks);
    EXPECT_EQ (banks.getChildFile ("vorlan.xml").loadFileAsString(), factory.loadFileAsString());

    // Deleting only the factory bank does not bring it back; a missing
    // factory bank leaves a new folder empty.
    ASSERT_TRUE (banks.getChildFile ("vorlan.xml").deleteFile());
    QmDataFolders::getBanksFolder();
    EXPECT_FALSE (banks.getChildFile ("vorlan.xml").exists());

    banks.deleteRecursively();
    factory.deleteFile();
    EXPECT_TRUE (QmDataFolders::getBanksFolder().isDirectory());
    EXPECT_EQ (banks.getNumberOfChildFiles (juce::File::findFiles), 0);
}

TEST (DataFolders, AFactoryBankTheDiskCannotTakeLeavesNoBanksFolderSoTheNextStartSeedsIt)
{
    const auto factory = QmDataFolders::getResourceFile ("banks/vorlan.xml");
    const auto text = "<bank><name>Vorlan</name><presets>" + juce::String::repeatedString ("<preset><name>x</name></preset>", 300) + "</presets></bank>";
    ASSERT_TRUE (factory.getParentDirectory().createDirectory());
    ASSERT_TRUE (factory.replaceWithText (text));

    const auto user = QmDataFolders::getUserDataFolder();
    const auto banks = user.getChildFile ("Banks");
    banks.deleteRecursively();
    const auto before = user.getNumberOfChildFiles (juce::File::findFilesAndDirectories);

    // 4 KiB free: no half a factory bank, and nothing left beside it.
    setFileWriteRoomForTests (4096);
    EXPECT_EQ (QmDataFolders::getBanksFolder(), banks);
    setFileWriteRoomForTests (-1);
    EXPECT_FALSE (banks.exists());
    EXPECT_EQ (user.getNumberOfChildFiles (juce::File::findFilesAndDirectories), before);

    // With room again, the next call seeds the whole bank.
    EXPECT_EQ (QmDataFolders::getBanksFolder(), banks);
    EXPECT_EQ (banks.getChildFile ("vorlan.xml").loadFileAsString(), text);
    EXPECT_EQ (banks.getNumberOfChildFiles (juce::File::findFilesAndDirectories), 1);
    EXPECT_EQ (user.getNumberOfChildFiles (juce::File::findFilesAndDirectories), before + 1);

    banks.deleteRecursively();
    factory.deleteFile();
}
