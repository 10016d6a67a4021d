#include "QmCache.h"
#include "QmDataFolders.h"
#include "QmDiodeNonlin.h"
#include "QmJFetNonlin.h"
#include "FilterTestRig.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <thread>

namespace
{
    constexpr size_t tableBytes = 4096 * sizeof (float);

    juce::File cacheFolder() { return QmDataFolders::getUserDataFolder().getChildFile (".qmcache"); }

    // Every table the engine's objects ask for, by key.
    const std::vector<std::string> engineKeys {
        "nl_diode_1_2", "nl_jfet_0.500000_1", "nl_jfet_0.500000_2", "nl_jfet_0.800000_2",
        "nl_jfet_-0.900000_2", "nl_jfet_-0.900000_0", "nl_jfet_-0.900000_1",
        "nl_jfet_0.700000_1", "nl_jfet_0.700000_0", "nl_jfet_0.200000_1"
    };

    // The nonlinearities of the filters, the amplifier and the waveshaper.
    struct AllTables
    {
        filtertest::Rig rig;
        QmMultiFilterModule lowPass { &rig.context };
        QmHPFilterModule highPass { &rig.context };
        QmDiodeNonlin diode;
        QmJFetNonlin jfet05 { 2, 0.5f }, jfet08 { 2, 0.8f };

        std::map<std::string, const float*> tables() const
        {
            return { { "nl_diode_1_2", diode.table },
                     { "nl_jfet_0.500000_1", highPass.stage.nonlin->table },
                     { "nl_jfet_0.500000_2", jfet05.table },
                     { "nl_jfet_0.800000_2", jfet08.table },
                     { "nl_jfet_-0.900000_2", lowPass.satJFet.table },
                     { "nl_jfet_-0.900000_0", lowPass.transferJFet.table },
                     { "nl_jfet_-0.900000_1", lowPass.coreA.nl0->table },
                     { "nl_jfet_0.700000_1", lowPass.coreB.nl1->table },
                     { "nl_jfet_0.700000_0", lowPass.coreA.nl2->table },
                     { "nl_jfet_0.200000_1", lowPass.coreB.nl3->table } };
        }
    };

    // The next start of the plug-in, in a child process: a new cache instance
    // that finds only the files on disk. The parent's objects keep their
    // tables. body returns the failures it found, one per line.
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

TEST (TableCache, StoresBlobsInMemoryAndInOneFilePerKey)
{
    auto* cache = QmCache::getInstance();
    EXPECT_EQ (cache->getDirectory(), cacheFolder());
    EXPECT_TRUE (cacheFolder().isDirectory());
    EXPECT_EQ (QmCache::getInstance(), cache);

    // A miss without producer: null, and an empty file that counts as absent.
    size_t size = 99;
    EXPECT_EQ (cache->get ("blob_missing", {}, &size), nullptr);
    EXPECT_EQ (size, 0u);
    EXPECT_TRUE (cacheFolder().getChildFile ("blob_missing").existsAsFile());

    const char first[] = "first contents";
    int calls = 0;
    auto producer = [&] (size_t& n) -> const void* { ++calls; n = sizeof (first); return first; };
    const void* stored = cache->get ("blob_missing", producer, &size);
    ASSERT_NE (stored, nullptr);
    EXPECT_EQ (calls, 1);
    EXPECT_EQ (size, sizeof (first));
    EXPECT_EQ (std::memcmp (stored, first, sizeof (first)), 0);
    EXPECT_EQ (fileBytes ("blob_missing"), juce::MemoryBlock (first, sizeof (first)));

    // A second lookup is served from memory: same pointer, no producer call.
    EXPECT_EQ (cache->get ("blob_missing", producer), stored);
    EXPECT_EQ (calls, 1);

    // A store replaces the bytes in memory and on disk.
    const char second[] = "second contents!";
    cache->store ("blob_missing", second, sizeof (second));
    EXPECT_EQ (std::memcmp (cache->get ("blob_missing", {}, &size), second, sizeof (second)), 0);
    EXPECT_EQ (size, sizeof (second));
    EXPECT_EQ (fileBytes ("blob_missing"), juce::MemoryBlock (second, sizeof (second)));

    // A file written by an earlier run is read on demand.
    const char third[] = "from disk";
    ASSERT_TRUE (cacheFolder().getChildFile ("blob_disk").replaceWithData (third, sizeof (third)));
    EXPECT_EQ (std::memcmp (cache->get ("blob_disk"), third, sizeof (third)), 0);

    // Writes go through a temporary file that is renamed: none is left behind.
    for (auto& f : cacheFolder().findChildFiles (juce::File::findFiles, false, "*", juce::File::FollowSymlinks::no))
        EXPECT_FALSE (f.getFileName().contains ("_temp")) << f.getFileName();
}

TEST (TableCache, EngineTablesAreSolvedOnceAndReadBackOnTheNextStart)
{
    std::map<std::string, juce::MemoryBlock> solved;

    {
        AllTables all;

        for (auto& [key, table] : all.tables())
        {
            const auto file = fileBytes (key);
            ASSERT_EQ (file.getSize(), tableBytes) << key;
            EXPECT_EQ (std::memcmp (file.getData(), table, tableBytes), 0) << key;
            solved[key] = file;
        }
    }

    EXPECT_EQ (solved.size(), engineKeys.size());

    for (auto& key : engineKeys)
        EXPECT_EQ (solved.count (key), 1u) << key;

    // Files that no solver could produce: if the next start uses them
    // unchanged, it computed nothing.
    for (auto& [key, block] : solved)
    {
        std::vector<float> marked (4096);

        for (size_t i = 0; i < marked.size(); ++i)
            marked[i] = (float) i * 0.25f + (float) key.size();

        ASSERT_TRUE (cacheFolder().getChildFile (key).replaceWithData (marked.data(), tableBytes));
    }

    runInNextStart ([]
    {
        std::string failures;
        AllTables all;

        for (auto& [key, table] : all.tables())
            for (int i : { 0, 1, 2048, 4095 })
                if (table[i] != (float) i * 0.25f + (float) key.size())
                    failures += key + " was not read from its file\n";

        return failures;
    });

    for (auto& [key, block] : solved)
        ASSERT_TRUE (cacheFolder().getChildFile (key).replaceWithData (block.getData(), block.getSize()));
}

TEST (TableCache, DamagedTableFilesAreSolvedAgainAndReplaced)
{
    const std::string key = "nl_jfet_0.200000_1";
    juce::MemoryBlock good;

    {
        QmJFetNonlin nonlin (1, 0.2f);
        good = juce::MemoryBlock (nonlin.table, tableBytes);
    }

    // Cut short (a crash while writing) or too long: either way solved again
    // and the file replaced.
    for (size_t damagedSize : { (size_t) 1000, tableBytes + 4 })
    {
        juce::MemoryBlock damaged (damagedSize, true);
        ASSERT_TRUE (cacheFolder().getChildFile (key).replaceWithData (damaged.getData(), damaged.getSize()));

        runInNextStart ([&]
        {
            QmJFetNonlin nonlin (1, 0.2f);
            const bool solved = std::memcmp (nonlin.table, good.getData(), tableBytes) == 0;
            return solved && std::isfinite (nonlin.lookup (31.0f)) ? std::string() : std::string ("not solved again\n");
        });

        EXPECT_EQ (fileBytes (key), good) << damagedSize;
    }

    // Deleting the whole folder makes the next start solve everything again.
    ASSERT_TRUE (cacheFolder().deleteRecursively());

    runInNextStart ([&]
    {
        QmJFetNonlin nonlin (1, 0.2f);
        AllTables all;
        return std::memcmp (nonlin.table, good.getData(), tableBytes) == 0 ? std::string() : std::string ("differs\n");
    });

    EXPECT_EQ (fileBytes (key), good);
    for (auto& k : engineKeys)
        EXPECT_EQ (fileBytes (k).getSize(), tableBytes) << k;
}

TEST (TableCache, TwoInstancesStartingOnTwoThreadsShareOneCacheAndOneTable)
{
    runInNextStart ([]
    {
        QmCache* caches[2] = {};
        const float* tables[2] = {};

        auto start = [&] (int i)
        {
            caches[i] = QmCache::getInstance();
            QmJFetNonlin nonlin (2, 0.3f);
            tables[i] = nonlin.table;
        };

        std::thread a (start, 0), b (start, 1);
        a.join();
        b.join();

        std::string failures;
        if (caches[0] != caches[1]) failures += "two caches\n";
        if (tables[0] != tables[1]) failures += "two tables\n";
        return failures;
    });

    EXPECT_EQ (fileBytes ("nl_jfet_0.300000_2").getSize(), tableBytes);
}

TEST (TableCache, KeysNameTheCurveIndependentlyOfTheLocale)
{
    EXPECT_EQ (QmJFetNonlin::makeKey (2, 0.5f), "nl_jfet_0.500000_2");
    EXPECT_EQ (QmJFetNonlin::makeKey (0, -0.9f), "nl_jfet_-0.900000_0");
    EXPECT_EQ (QmJFetNonlin::makeKey (1, 0.7f), "nl_jfet_0.700000_1");
    EXPECT_EQ (QmNonlin::intToString (-12), "-12");

    // A host with a decimal comma must not rename the files.
    for (const char* name : { "de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "de_DE" })
    {
        if (std::setlocale (LC_ALL, name) == nullptr)
            continue;

        EXPECT_EQ (QmJFetNonlin::makeKey (1, 0.5f), "nl_jfet_0.500000_1") << name;
        std::setlocale (LC_ALL, "C");
    }
}
