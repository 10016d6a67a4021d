// Cost of the filter modules alone, driven directly at the 88.2 kHz engine
// rate of a 44.1 kHz host, in 1024-sample engine blocks. The whole engine is
// measured in EngineBench.cpp.
#include "QmDriftGenerator.h"
#include "QmHPFilterModule.h"
#include "QmHumNoiseSource.h"
#include "QmMultiFilterModule.h"
#include "QmProcessContext.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstring>
#include <xmmintrin.h>

namespace
{
    constexpr int block = 1024;
    constexpr double engineRate = 88200.0;

    struct Rig
    {
        Rig() : hum (88200)
        {
            // The engine renders with denormals flushed; so do the filters here.
            _mm_setcsr (_mm_getcsr() | 0x8040);
            context.sampleRate = (float) engineRate;
            context.humNoise = &hum;
            context.blockLength = block;
            hum.fill (block);
        }

        QmProcessContext context;
        QmHumNoiseSource hum;
    };

    void fillSaw (float* x, float amplitude)
    {
        for (int i = 0; i < block; ++i)
            x[i] = amplitude * (2.0f * (float) std::fmod (i * 130.81 / engineRate, 1.0) - 1.0f);
    }

    void reportRate (benchmark::State& state)
    {
        const double samples = (double) state.iterations() * block;
        state.counters["realtime"] = benchmark::Counter (samples / engineRate, benchmark::Counter::kIsRate);
    }
}

// Arguments: type, and drive and resonance in percent.
static void BM_MultiFilter (benchmark::State& state)
{
    Rig rig;
    QmMultiFilterModule filter (&rig.context);
    const int type = (int) state.range (0);
    const float amount = (float) state.range (1) * 0.01f;

    for (auto _ : state)
    {
        fillSaw (filter.audioIn->own->buffer, 0.5f);
        std::fill (filter.freqIn->own->buffer, filter.freqIn->own->buffer + block, 7.0f);
        std::fill (filter.resIn->own->buffer, filter.resIn->own->buffer + block, amount);
        filter.typeIn->own->index = type;
        filter.driveIn->own->value = amount;
        filter.process();
        benchmark::DoNotOptimize (filter.outSignal.buffer[0]);
    }

    reportRate (state);
}
BENCHMARK (BM_MultiFilter)->ArgNames ({ "type", "drive_res%" })->ArgsProduct ({ { 0, 1, 2, 3 }, { 0, 80 } })
                           ->Unit (benchmark::kMicrosecond);

static void BM_HPFilter (benchmark::State& state)
{
    Rig rig;
    QmHPFilterModule filter (&rig.context);

    for (auto _ : state)
    {
        fillSaw (filter.input->own->buffer, 0.5f);
        std::fill (filter.freqIn->own->buffer, filter.freqIn->own->buffer + block, 4.0f);
        std::fill (filter.kbdIn->own->buffer, filter.kbdIn->own->buffer + block, 5.0f);
        filter.resonanceIn->own->value = 0.5f;
        filter.trackIn->own->index = 1;
        filter.process();
        benchmark::DoNotOptimize (filter.input->own->buffer[0]);
    }

    reportRate (state);
}
BENCHMARK (BM_HPFilter)->Unit (benchmark::kMicrosecond);
