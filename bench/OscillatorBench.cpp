// Cost of the oscillators per engine sample (items = samples at 88.2 kHz).
#include "QmBlep.h"
#include "QmHumNoiseSource.h"
#include "QmOscillatorCore.h"
#include "QmProcessContext.h"
#include "QmVCO4Module.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <memory>

namespace
{
    constexpr float benchRate = 88200.0f;

    // A core at 880 Hz; arg 0: shape x 1000; arg 1: smoothing flag
    struct CoreRig
    {
        explicit CoreRig (const benchmark::State& state)
            : shape ((float) state.range (0) / 1000.0f)
        {
            context.sampleRate = benchRate;
            core = std::make_unique<QmOscillatorCore> (&context);
            core->smoothing = (int) state.range (1);
        }

        /** The phase at the start of the next sample. */
        float nextPhase()
        {
            const float p = phase;
            phase += increment;
            if (phase >= 1.0f)
                phase -= 1.0f;
            return p;
        }

        QmProcessContext context;
        std::unique_ptr<QmOscillatorCore> core;
        const float shape;
        const float increment = 880.0f / benchRate;
        float phase = 0.0f;
    };

    void BM_OscillatorCoreRender (benchmark::State& state)
    {
        CoreRig rig (state);
        const int n = 512;

        for (auto _ : state)
        {
            float sum = 0.0f;
            for (int i = 0; i < n; ++i)
                sum += rig.core->render (rig.nextPhase(), rig.increment, rig.shape, -1.0f);
            benchmark::DoNotOptimize (sum);
        }

        state.SetItemsProcessed (state.iterations() * n);
    }

    BENCHMARK (BM_OscillatorCoreRender)
        ->ArgNames ({ "shape_x1000", "smoothing" })
        ->Args ({ 0, 0 })       // saw
        ->Args ({ 125, 0 })     // pulse-width triangle
        ->Args ({ 375, 0 })     // triangle + saw
        ->Args ({ 625, 0 })     // saw + pulse
        ->Args ({ 875, 0 })     // pulse
        ->Args ({ 60, 1 });     // filter sweep

    // The same through the block call the module uses: 512 samples at once.
    void BM_OscillatorCoreRenderBlock (benchmark::State& state)
    {
        CoreRig rig (state);
        constexpr int n = 512;
        float phase[n], increment[n], out[n];
        std::fill (increment, increment + n, rig.increment);

        for (auto _ : state)
        {
            for (int i = 0; i < n; ++i)
                phase[i] = rig.nextPhase();
            rig.core->renderBlock (phase, increment, rig.shape, nullptr, out, n);
            benchmark::DoNotOptimize (out[0]);
        }

        state.SetItemsProcessed (state.iterations() * n);
    }

    BENCHMARK (BM_OscillatorCoreRenderBlock)
        ->ArgNames ({ "shape_x1000", "smoothing" })
        ->Args ({ 0, 0 })->Args ({ 125, 0 })->Args ({ 375, 0 })->Args ({ 625, 0 })->Args ({ 875, 0 })->Args ({ 60, 1 });

    // arg 0: "Phase detune" x 100; arg 1: sync; a 256-sample block (128 host samples)
    void BM_VCO4ModuleBlock (benchmark::State& state)
    {
        QmProcessContext context;
        context.sampleRate = benchRate;
        QmHumNoiseSource hum (88200);
        context.humNoise = &hum;

        auto vco = std::make_unique<QmVCO4Module> (&context);
        vco->phaseDetuneIn->own->value = (float) state.range (0) / 100.0f;
        vco->syncIn->own->index = (int) state.range (1);
        vco->octaveIn->own->index = 2;
        vco->mixIn->own->value = 0.5f;
        vco->wave1In->own->value = 0.625f;
        vco->wave2In->own->value = 0.05f;

        const int n = 256;
        context.blockLength = n;
        hum.fill (n);
        float* cv = vco->cvIn->own->buffer;

        for (auto _ : state)
        {
            std::fill (cv, cv + n, 5.0f);
            vco->process();
            benchmark::DoNotOptimize (vco->output.buffer[0]);
        }

        state.SetItemsProcessed (state.iterations() * n);
    }

    BENCHMARK (BM_VCO4ModuleBlock)
        ->ArgNames ({ "phase_detune_x100", "sync" })
        ->Args ({ 20, 0 })      // phase-offset mode
        ->Args ({ 80, 0 })      // detune mode
        ->Args ({ 80, 1 });     // detune mode, hard sync

    // The factory default patch on a held note: phase-offset mode, core 2 two
    // octaves down, both cores on the saw, a drifting pitch; 1024-sample blocks.
    void BM_VCO4ModuleDefaultPatch (benchmark::State& state)
    {
        QmProcessContext context;
        context.sampleRate = benchRate;
        QmHumNoiseSource hum (88200);
        context.humNoise = &hum;

        auto vco = std::make_unique<QmVCO4Module> (&context);
        vco->octaveIn->own->index = 0;

        const int n = 1024;
        context.blockLength = n;
        hum.fill (n);
        std::fill (vco->gateIn->own->buffer, vco->gateIn->own->buffer + n, 1.0f);

        float pitch[n];
        for (int i = 0; i < n; ++i)
            pitch[i] = 3.0f + 0.0005f * std::sin ((float) i * 0.01f);

        float* cv = vco->cvIn->own->buffer;

        for (auto _ : state)
        {
            std::copy (pitch, pitch + n, cv);
            vco->process();
            benchmark::DoNotOptimize (vco->output.buffer[0]);
        }

        state.SetItemsProcessed (state.iterations() * n);
    }

    BENCHMARK (BM_VCO4ModuleDefaultPatch);

    // Building the step and ramp tables, which the first corrector does.
    void BM_BlepTables (benchmark::State& state)
    {
        for (auto _ : state)
        {
            auto tables = std::make_unique<QmBlep::Tables>();
            benchmark::DoNotOptimize (tables->step[1024]);
        }
    }

    BENCHMARK (BM_BlepTables)->Unit (benchmark::kMillisecond);
}
