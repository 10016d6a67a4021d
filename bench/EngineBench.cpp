// Whole-engine cost: held notes rendered through QmSynthEngine::renderBlock at
// a 44.1 kHz host rate in 512-sample host blocks.
#include "QmParameter.h"
#include "QmProcessContext.h"
#include "QmSynthEngine.h"

#include <benchmark/benchmark.h>

#include <vector>

namespace
{
    constexpr int hostBlock = 512;
    constexpr double hostRate = 44100.0;

    QmMidiEvent noteOn (int note)
    {
        QmMidiEvent e;
        e.type = QmMidiEvent::typeNote;
        e.note = note;
        e.gate = 1;
        e.value = 100.0f / 127.0f;
        return e;
    }

    void renderHeldNote (benchmark::State& state, void (*configure) (QmSynthEngine&))
    {
        QmSynthEngine engine;
        configure (engine);

        std::vector<float> left (hostBlock), right (hostBlock);
        const std::vector<QmMidiEvent> none, start { noteOn (48) };
        engine.renderBlock (left.data(), right.data(), start, hostBlock);

        for (auto _ : state)
        {
            engine.renderBlock (left.data(), right.data(), none, hostBlock);
            benchmark::DoNotOptimize (left.data());
        }

        const double hostSamples = (double) state.iterations() * hostBlock;
        // Seconds of audio per CPU second, and CPU seconds per engine sample.
        state.counters["realtime"] = benchmark::Counter (hostSamples / hostRate, benchmark::Counter::kIsRate);
        state.counters["per_engine_sample"] = benchmark::Counter (2.0 * hostSamples,
                                                                  benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    }
}

static void BM_EngineDefaultPatch (benchmark::State& state)
{
    renderHeldNote (state, [] (QmSynthEngine&) {});
}
BENCHMARK (BM_EngineDefaultPatch)->Unit (benchmark::kMicrosecond);

static void BM_EngineMostExpensive (benchmark::State& state)
{
    renderHeldNote (state, [] (QmSynthEngine& engine)
    {
        auto** p = engine.parameters;
        p[QmParam::lpfType]->setValue (1.0f);     // "24B"
        p[QmParam::lpfDrive]->setValue (0.8f);
        p[QmParam::lpfRes]->setValue (0.8f);
        p[QmParam::hpfCutoff]->setValue (0.3f);
        p[QmParam::hpfRes]->setValue (0.5f);
        p[QmParam::paramsSpreadAuto]->setValue (1.0f);
        p[QmParam::vcoSync]->setValue (1.0f);
        p[QmParam::vcoMod]->setValue (0.5f);
        p[QmParam::lpfOscMod]->setValue (0.3f);
        p[QmParam::lpfEnv]->setValue (0.5f);
    });
}
BENCHMARK (BM_EngineMostExpensive)->Unit (benchmark::kMicrosecond);
