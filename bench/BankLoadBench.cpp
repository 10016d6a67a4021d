#include "QmBankManager.h"

#include <benchmark/benchmark.h>

// A bank file near the reader's limits: 87,371 presets of short names, 3 MB.
static void BM_LoadLargeBank (benchmark::State& state)
{
    juce::MemoryOutputStream text;
    text << "<bank><name>Large</name><presets>";

    for (int i = 0; i < 87371; ++i)
        text << "<preset><name>Preset " << i << "</name></preset>";

    text << "</presets></bank>";
    const auto document = text.getMemoryBlock();

    for (auto _ : state)
    {
        juce::MemoryInputStream in (document, false);
        auto bank = QmBankManager::readBank (in);
        benchmark::DoNotOptimize (bank.get());
    }

    state.counters["bytes"] = (double) document.getSize();
}
BENCHMARK (BM_LoadLargeBank)->Unit (benchmark::kMillisecond)->Iterations (1);
