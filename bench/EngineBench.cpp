// Whole-engine cost: notes rendered through QmSynthEngine::renderBlock at a
// 44.1 kHz host rate in 512-sample host blocks; what an instance costs once its
// release has died out; how long a further instance takes to start and how
// much resident memory it adds.
#include "QmBank.h"
#include "QmParameter.h"
#include "QmSynthEngine.h"
#include "ResidentMemory.h"
#include "XMLMarshaller.h"

#include <benchmark/benchmark.h>

#include <malloc.h>
#include <time.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <fstream>
#include <memory>
#include <vector>

namespace
{
    constexpr int hostBlock = 512;
    constexpr double hostRate = 44100.0;

    QmMidiEvent noteEvent (int note, bool on)
    {
        QmMidiEvent e;
        e.type = QmMidiEvent::typeNote;
        e.note = note;
        e.gate = on ? 1 : 0;
        e.value = 100.0f / 127.0f;
        return e;
    }

    struct Renderer
    {
        QmSynthEngine& engine;
        std::vector<float> left = std::vector<float> (hostBlock), right = std::vector<float> (hostBlock);
        const std::vector<QmMidiEvent> none;

        float render (const std::vector<QmMidiEvent>& events)
        {
            engine.renderBlock (left.data(), right.data(), events, hostBlock);
            float peak = 0.0f;
            for (int i = 0; i < hostBlock; ++i)
                peak = std::max ({ peak, std::abs (left[(size_t) i]), std::abs (right[(size_t) i]) });
            return peak;
        }

        float render() { return render (none); }
    };

    void addRateCounters (benchmark::State& state)
    {
        const double hostSamples = (double) state.iterations() * hostBlock;
        // Seconds of audio per CPU second, and CPU seconds per engine sample.
        state.counters["realtime"] = benchmark::Counter (hostSamples / hostRate, benchmark::Counter::kIsRate);
        state.counters["per_engine_sample"] = benchmark::Counter (2.0 * hostSamples,
                                                                  benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    }

    void renderHeldNote (benchmark::State& state, void (*configure) (QmSynthEngine&))
    {
        QmSynthEngine engine;
        configure (engine);

        Renderer r { engine };
        r.render ({ noteEvent (48, true) });

        for (auto _ : state)
        {
            r.render();
            benchmark::DoNotOptimize (r.left.data());
        }

        addRateCounters (state);
    }

    /** The dearest setup found by measuring the settings one by one: the
        shaper's amount (the amplifier's drive solve) adds most, then the
        high-pass filter, the "18" filter type over the others, the
        modulator's noise and the drive; spice, sync and the cutoff's
        modulations add a little each. */
    void worstCase (QmSynthEngine& engine)
    {
        auto** p = engine.parameters;
        p[QmParam::lpfType]->setValue (1.0f / 3.0f);     // "18"
        p[QmParam::lpfDrive]->setValue (1.0f);
        p[QmParam::lpfRes]->setValue (0.8f);
        p[QmParam::shaperAmount]->setValue (0.8f);
        p[QmParam::modulatorWave]->setValue (0.6f);      // "Noise"
        p[QmParam::hpfCutoff]->setValue (0.3f);
        p[QmParam::hpfRes]->setValue (0.5f);
        p[QmParam::paramsSpreadAuto]->setValue (1.0f);
        p[QmParam::vcoSync]->setValue (1.0f);
        p[QmParam::vcoMod]->setValue (0.5f);
        p[QmParam::lpfOscMod]->setValue (0.3f);
        p[QmParam::lpfEnv]->setValue (0.5f);
    }

    std::unique_ptr<QmBank> loadFactoryBank()
    {
        XMLMarshaller marshaller;
        juce::FileInputStream in (juce::File (VORLAN_RESOURCES_DIR "/banks/vorlan.xml"));
        auto root = marshaller.parse (in);
        return root != nullptr ? marshaller.bankFromXml (root.get()) : nullptr;
    }

    const QmBank& factoryBank()
    {
        static const auto bank = loadFactoryBank();
        static const QmBank empty;
        return bank != nullptr ? *bank : empty;
    }

    double threadCpuSeconds()
    {
        timespec t {};
        clock_gettime (CLOCK_THREAD_CPUTIME_ID, &t);
        return (double) t.tv_sec + 1.0e-9 * (double) t.tv_nsec;
    }
}

static void BM_EngineDefaultPatch (benchmark::State& state)
{
    renderHeldNote (state, [] (QmSynthEngine&) {});
}
BENCHMARK (BM_EngineDefaultPatch)->Unit (benchmark::kMicrosecond);

static void BM_EngineWorstCase (benchmark::State& state)
{
    renderHeldNote (state, worstCase);
}
BENCHMARK (BM_EngineWorstCase)->Unit (benchmark::kMicrosecond);

// One factory preset (argument: its index in the bank; the label names it),
// one benchmark for each in the bank:
// the time is what a block costs with no note held, once the note's release
// has died out; "idle_vs_playing" divides it by what a block cost while the
// note was held, measured in the same run.
static void BM_EngineIdle (benchmark::State& state)
{
    const auto& presets = factoryBank().presets;
    const int index = (int) state.range (0);

    QmSynthEngine engine;
    for (int i = 0; i < QmParam::count; ++i)
        engine.parameters[i]->setValue (presets[index]->params[i]);

    state.SetLabel (presets[index]->name.toStdString());
    Renderer r { engine };

    constexpr int playingBlocks = 400;
    r.render ({ noteEvent (48, true) });
    const double playStart = threadCpuSeconds();
    for (int block = 0; block < playingBlocks; ++block)
        r.render();
    const double playingPerBlock = (threadCpuSeconds() - playStart) / playingBlocks;

    // Quiet: below -160 dBFS for two seconds on end (at most a minute).
    constexpr int quietBlocks = (int) (2.0 * hostRate / hostBlock), maxBlocks = (int) (60.0 * hostRate / hostBlock);
    r.render ({ noteEvent (48, false) });
    for (int block = 0, quiet = 0; block < maxBlocks && quiet < quietBlocks; ++block)
        quiet = r.render() < 1.0e-8f ? quiet + 1 : 0;

    const double idleStart = threadCpuSeconds();
    for (auto _ : state)
    {
        r.render();
        benchmark::DoNotOptimize (r.left.data());
    }
    const double idlePerBlock = (threadCpuSeconds() - idleStart) / (double) state.iterations();

    state.counters["idle_vs_playing"] = idlePerBlock / playingPerBlock;
    state.counters["playing_us"] = 1.0e6 * playingPerBlock;
}
void registerFactoryPresetBenchmarks()
{
    for (int i = 0; i < factoryBank().presets.size(); ++i)
        benchmark::RegisterBenchmark ("BM_EngineIdle", BM_EngineIdle)->ArgName ("preset")->Arg (i)->Iterations (1000)->Unit (benchmark::kMicrosecond);
}

// How long a further instance takes to build, once one exists. The instances
// are kept, so that each one takes fresh memory as it would in a host.
static void BM_EngineStart (benchmark::State& state)
{
    malloc_trim (0);    // what earlier runs freed must not be reused
    QmSynthEngine first;
    std::vector<std::unique_ptr<QmSynthEngine>> further;

    for (auto _ : state)
    {
        const auto start = std::chrono::steady_clock::now();
        further.push_back (std::make_unique<QmSynthEngine>());
        const auto end = std::chrono::steady_clock::now();
        state.SetIterationTime (std::chrono::duration<double> (end - start).count());
    }
}
BENCHMARK (BM_EngineStart)->UseManualTime()->Iterations (16)->Unit (benchmark::kMillisecond);

// Resident memory each further instance adds once it has played a note:
// "MB_per_instance", over eight instances built after a first one.
static void BM_EngineInstanceMemory (benchmark::State& state)
{
    constexpr int further = 8;
    QmSynthEngine first;
    double perInstance = 0.0;

    for (auto _ : state)
    {
        std::vector<std::unique_ptr<QmSynthEngine>> engines;
        malloc_trim (0);    // what earlier runs freed must not be reused
        const double before = residentBytes();

        for (int i = 0; i < further; ++i)
        {
            engines.push_back (std::make_unique<QmSynthEngine>());
            Renderer r { *engines.back() };
            r.render ({ noteEvent (48, true) });
            for (int block = 0; block < 100; ++block)
                r.render();
        }

        perInstance = (residentBytes() - before) / further;
    }

    state.counters["MB_per_instance"] = perInstance / (1024.0 * 1024.0);
}
BENCHMARK (BM_EngineInstanceMemory)->Iterations (1)->Unit (benchmark::kMillisecond);
