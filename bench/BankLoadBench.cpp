#include "QmBankManager.h"
#include "QmDataFolders.h"

#include <benchmark/benchmark.h>

#include <cstdlib>

namespace
{
    /** A per-user folder of its own, with an empty Banks folder and no factory
        bank; removed again when it goes. */
    struct ScratchHome
    {
        ScratchHome()
        {
            setenv ("HOME", home.getFile().getFullPathName().toRawUTF8(), 1);
            setenv ("VORLAN_COMMON_DATA_DIR", home.getFile().getChildFile ("common").getFullPathName().toRawUTF8(), 1);
            banks().createDirectory();
        }

        ~ScratchHome()
        {
            home.getFile().deleteRecursively();
        }

        static juce::File banks()   { return QmDataFolders::getUserDataFolder().getChildFile ("Banks"); }

        juce::TemporaryFile home;
    };

    /** A hand-made bank: each preset holds only a name. */
    juce::MemoryBlock largeBankText (int numPresets)
    {
        juce::MemoryOutputStream text;
        text << "<bank><name>Large</name><presets>";

        for (int i = 0; i < numPresets; ++i)
            text << "<preset><name>Preset " << i << "</name></preset>";

        text << "</presets></bank>";
        return text.getMemoryBlock();
    }

    void writeSmallBanks (int numBanks)
    {
        for (int i = 0; i < numBanks; ++i)
            ScratchHome::banks().getChildFile ("bank " + juce::String (i) + ".xml")
                .replaceWithText ("<bank><name>Bank " + juce::String (i) + "</name><presets><preset><name>p</name></preset></presets></bank>");
    }
}

// A bank file near the reader's limits: 87,371 presets of short names, 3 MB.
static void BM_LoadLargeBank (benchmark::State& state)
{
    const auto document = largeBankText (87371);

    for (auto _ : state)
    {
        juce::MemoryInputStream in (document, false);
        auto bank = QmBankManager::readBank (in);
        benchmark::DoNotOptimize (bank.get());
    }

    state.counters["bytes"] = (double) document.getSize();
}
BENCHMARK (BM_LoadLargeBank)->Unit (benchmark::kMillisecond)->Iterations (1);

// One star on that bank: the bank file is written whole.
static void BM_FavouriteOnLargeBank (benchmark::State& state)
{
    const ScratchHome home;
    const auto document = largeBankText (87371);
    ScratchHome::banks().getChildFile ("large.xml").replaceWithData (document.getData(), document.getSize());
    QmBankManager manager (nullptr);
    auto* bank = manager.getBank ("Large");
    bool fav = true;

    for (auto _ : state)
    {
        manager.presetFavouriteChanged (bank->presets[4321], fav);
        fav = ! fav;
    }

    state.counters["written_bytes"] = (double) ScratchHome::banks().getChildFile ("large.xml").getSize();
    state.counters["saved"] = manager.takeLastFailure().isEmpty() ? 1 : 0;
    state.counters["read_again"] = manager.loadBankFile (ScratchHome::banks().getChildFile ("large.xml")) != nullptr ? 1 : 0;
}
BENCHMARK (BM_FavouriteOnLargeBank)->Unit (benchmark::kMillisecond)->Iterations (2);

// Start-up over many small banks.
static void BM_StartWithManyBanks (benchmark::State& state)
{
    const ScratchHome home;
    writeSmallBanks ((int) state.range (0));

    for (auto _ : state)
    {
        QmBankManager manager (nullptr);
        benchmark::DoNotOptimize (manager.getBanks().size());
    }
}
BENCHMARK (BM_StartWithManyBanks)->Arg (2500)->Arg (10000)->Unit (benchmark::kMillisecond)->Iterations (1);

// "Add empty..." beside many small banks.
static void BM_AddEmptyBankBesideManyBanks (benchmark::State& state)
{
    const ScratchHome home;
    writeSmallBanks ((int) state.range (0));
    QmBankManager manager (nullptr);
    int n = 0;

    for (auto _ : state)
        benchmark::DoNotOptimize (manager.createBank ("New " + juce::String (++n)));
}
BENCHMARK (BM_AddEmptyBankBesideManyBanks)->Arg (2500)->Arg (10000)->Unit (benchmark::kMillisecond)->Iterations (1);
