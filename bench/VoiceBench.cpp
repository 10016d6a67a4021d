// Cost of the voice's control and modulation modules, each driven directly at
// the 88.2 kHz engine rate in 1024-sample engine blocks, denormals flushed.
// "per_sample" is the time per engine sample.
#include "QmAmplifierModule.h"
#include "QmControlModule.h"
#include "QmHumNoiseSource.h"
#include "QmMulModule.h"
#include "QmParameter.h"
#include "QmProcessContext.h"
#include "QmSignal.h"
#include "QmSpiceModule.h"
#include "QmVorlanModDispatcher.h"
#include "QmVorlanModulator.h"

#include <benchmark/benchmark.h>
#include <xmmintrin.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace
{
    constexpr int block = 1024;

    struct Rig
    {
        Rig()
        {
            context.sampleRate = 88200.0f;
            context.blockLength = block;

            // Denormals flushed, as the engine renders them.
            _mm_setcsr (savedCsr | 0x8040);
        }

        ~Rig() { _mm_setcsr (savedCsr); }

        QmProcessContext context;
        const unsigned int savedCsr = _mm_getcsr();
    };

    void reportPerSample (benchmark::State& state)
    {
        state.counters["per_sample"] = benchmark::Counter ((double) block,
                                                           benchmark::Counter::kIsIterationInvariantRate
                                                               | benchmark::Counter::kInvert);
    }

    // A block of sine, computed once so that the timed loops only copy it.
    std::vector<float> sineBlock (float amplitude, double frequency)
    {
        std::vector<float> x (block);
        for (int i = 0; i < block; ++i)
            x[(size_t) i] = amplitude * (float) std::sin (6.283185307179586 * frequency * i / 88200.0);
        return x;
    }

    QmMidiEvent note (int number, bool on, int position)
    {
        QmMidiEvent e;
        e.type = QmMidiEvent::typeNote;
        e.note = number;
        e.gate = on ? 1 : 0;
        e.position = position;
        e.value = 0.8f;
        return e;
    }
}

static void BM_ControlModule (benchmark::State& state)
{
    Rig rig;
    QmControlModule control (&rig.context);
    control.glidePolyIn->own->value = 0.3f;

    // A legato phrase: every block presses one key and releases the one before.
    const std::vector<QmMidiEvent> events[2] = { { note (60, true, 100), note (64, false, 200) },
                                                 { note (64, true, 100), note (60, false, 200) } };
    int flip = 0;

    for (auto _ : state)
    {
        control.appendEvents (events[flip]);
        flip ^= 1;
        control.process();
        benchmark::ClobberMemory();
    }

    reportPerSample (state);
}
BENCHMARK (BM_ControlModule)->Unit (benchmark::kMicrosecond);

static void BM_Modulator (benchmark::State& state)
{
    Rig rig;
    QmVorlanModulator modulator (&rig.context);
    auto* gate = modulator.gateIn->own->buffer;
    std::fill (gate, gate + block, 1.0f);
    modulator.attackIn->own->value = 0.2f;
    modulator.decayIn->own->value = 0.3f;
    modulator.sustainIn->own->value = 0.5f;
    modulator.releaseIn->own->value = 0.3f;
    modulator.freqIn->own->value = 0.6f;
    modulator.waveIn->own->index = (int) state.range (0);
    modulator.modWheelIn->own->index = 3;
    std::fill (modulator.wheelIn->own->buffer, modulator.wheelIn->own->buffer + block, 0.5f);

    for (auto _ : state)
    {
        // Processing shifts the CV in place.
        std::fill (modulator.cvIn->own->buffer, modulator.cvIn->own->buffer + block, 4.0f);
        modulator.process();
        benchmark::DoNotOptimize (modulator.envelopes[0].y);
    }

    reportPerSample (state);
}
BENCHMARK (BM_Modulator)->ArgName ("wave")->DenseRange (0, 5)->Unit (benchmark::kMicrosecond);

static void BM_Amplifier (benchmark::State& state)
{
    Rig rig;
    QmAmplifierModule amp (&rig.context);
    amp.driveIn->own->value = (float) state.range (0) / 100.0f;
    amp.ampIn->own->value = 0.75f;
    std::fill (amp.modIn->own->buffer, amp.modIn->own->buffer + block, 0.7f);
    const auto sine = sineBlock (0.8f, 220.0);

    for (auto _ : state)
    {
        std::copy (sine.begin(), sine.end(), amp.audioIn->own->buffer);
        std::fill (amp.expModIn->own->buffer, amp.expModIn->own->buffer + block, 0.1f);
        amp.process();
        benchmark::DoNotOptimize (amp.audioIn->own->buffer[0]);
    }

    reportPerSample (state);
}
BENCHMARK (BM_Amplifier)->ArgName ("drive%")->Arg (0)->Arg (50)->Unit (benchmark::kMicrosecond);

static void BM_Spice (benchmark::State& state)
{
    Rig rig;
    QmSpiceModule spice (&rig.context);
    spice.amountIn->own->value = 1.0f;
    const auto sine = sineBlock (0.5f, 220.0);

    for (auto _ : state)
    {
        std::copy (sine.begin(), sine.end(), spice.input->own->buffer);
        spice.process();
        benchmark::DoNotOptimize (spice.input->own->buffer[0]);
    }

    reportPerSample (state);
}
BENCHMARK (BM_Spice)->Unit (benchmark::kMicrosecond);

static void BM_MulAndDispatcher (benchmark::State& state)
{
    Rig rig;
    QmMulModule mul (&rig.context);
    QmVorlanModDispatcher dispatcher (&rig.context);
    mul.c = -2.0f;
    dispatcher.selector->own->index = 2;
    std::fill (mul.inB->own->buffer, mul.inB->own->buffer + block, 0.5f);

    for (auto _ : state)
    {
        std::fill (mul.inA->own->buffer, mul.inA->own->buffer + block, 4.0f);
        std::fill (dispatcher.input->own->buffer, dispatcher.input->own->buffer + block, 0.3f);
        mul.process();
        dispatcher.process();
        benchmark::DoNotOptimize (mul.inA->own->buffer[0]);
    }

    reportPerSample (state);
}
BENCHMARK (BM_MulAndDispatcher)->Unit (benchmark::kMicrosecond);

static void BM_PitchToFrequency (benchmark::State& state)
{
    Rig rig;
    QmSignal pitch (QmSignal::block, &rig.context);
    std::vector<float> octaves (block);
    for (int i = 0; i < block; ++i)
        octaves[(size_t) i] = 4.0f + 0.001f * (float) i;

    for (auto _ : state)
    {
        std::copy (octaves.begin(), octaves.end(), pitch.buffer);
        pitch.pitchToFrequency();
        benchmark::DoNotOptimize (pitch.buffer[0]);
    }

    reportPerSample (state);
}
BENCHMARK (BM_PitchToFrequency)->Unit (benchmark::kMicrosecond);

static void BM_HumNoiseFill (benchmark::State& state)
{
    QmHumNoiseSource source (88200);

    for (auto _ : state)
    {
        source.fill (block);
        benchmark::DoNotOptimize (source.hum[0]);
    }

    reportPerSample (state);
}
BENCHMARK (BM_HumNoiseFill)->Unit (benchmark::kMicrosecond);

static void BM_SmoothedParameter (benchmark::State& state)
{
    Rig rig;
    QmParameter parameter ("Cutoff", 0.5f, &rig.context);
    const bool moving = state.range (0) != 0;
    float value = 0.5f;

    for (auto _ : state)
    {
        // Either a new value every block or one the glide has long reached.
        if (moving)
            parameter.setValue (value = value == 0.2f ? 0.8f : 0.2f);

        parameter.requestSignal();
        benchmark::DoNotOptimize (parameter.signal->buffer[0]);
    }

    reportPerSample (state);
}
BENCHMARK (BM_SmoothedParameter)->ArgName ("moving")->Arg (0)->Arg (1)->Unit (benchmark::kMicrosecond);
