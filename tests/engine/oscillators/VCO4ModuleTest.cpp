#include "OscillatorSpectrum.h"
#include "QmDiagnostics.h"
#include "QmDriftTap.h"
#include "QmHumNoiseSource.h"
#include "QmVCO4Module.h"

#include <gtest/gtest.h>

namespace
{
    constexpr float rate = 88200.0f;

    // The octave pitch that pitchToFrequency turns into hz.
    float pitchFor (double hz) { return (float) std::log2 (hz / (16.3516 * 0.5)); }
    std::vector<float> samples (const QmSignal& s, int n) { return { s.buffer, s.buffer + n }; }

    struct Rig
    {
        Rig() { context.sampleRate = rate; context.humNoise = &hum; }

        // A module whose unconnected inputs are set through their own signals.
        QmVCO4Module* make (float phaseDetune = 0.0f, int octave = 2, int sync = 0, float wave2 = 0.0f, float mod = 0.0f, int modType = 0)
        {
            auto* v = modules.emplace_back (std::make_unique<QmVCO4Module> (&context)).get();
            v->phaseDetuneIn->own->value = phaseDetune, v->wave2In->own->value = wave2, v->modIn->own->value = mod;
            v->octaveIn->own->index = octave, v->syncIn->own->index = sync, v->modTypeIn->own->index = modType;
            return v;
        }

        void run (std::initializer_list<QmVCO4Module*> vcos, float pitch, int n)
        {
            context.blockLength = n;
            hum.fill (n);
            for (auto* v : vcos)
                std::fill (v->cvIn->own->buffer, v->cvIn->own->buffer + n, pitch), v->process();
        }

        QmProcessContext context;
        QmHumNoiseSource hum { 88200 };
        std::vector<std::unique_ptr<QmVCO4Module>> modules;
    };
}

// Core 2 against core 1: the octave ratio in both modes, the detune in the
// knob's upper half, and pitch modulation (type 2) moving both. Hard sync
// restarts core 2 with every cycle of core 1: all its partials fall on core
// 1's harmonics (a saw's jumps and a triangle's bends).
TEST (VCO4Module, OctaveDetuneModulationSyncMixAndBlockEdgeCases)
{
    Rig rig;
    const int n = 4096;
    const float pitch = pitchFor (700.0);
    struct Case { float phaseDetune; int octave; float pitchMod; double ratio1, ratio2; };
    for (const auto& c : { Case { 0.0f, 0, 0, 1, 0.25 }, Case { 0.0f, 4, 0, 1, 4 }, Case { 0.75f, 1, 0, 1, std::sqrt (0.5) },
                           Case { 0.5f, 3, 0, 1, 2 }, Case { 0.0f, 2, 1, 2, 2 } })
    {
        auto* v = rig.make (c.phaseDetune, c.octave, 0, 0.0f, c.pitchMod, 2);
        std::fill (v->modSourceIn->own->buffer, v->modSourceIn->own->buffer + n, 1.0f);
        rig.run ({ v }, pitch, n);
        EXPECT_NEAR (oscspectrum::peakFrequency (samples (v->output, n), rate) / QmSignal::frequencyOf (pitch), c.ratio1, 0.005 * c.ratio1) << c.phaseDetune << " " << c.octave;
        EXPECT_NEAR (oscspectrum::peakFrequency (samples (v->osc2, n), rate) / QmSignal::frequencyOf (pitch), c.ratio2, 0.005 * c.ratio2) << c.phaseDetune << " " << c.octave;
    }

    for (float wave2 : { 0.0f, 0.25f })
    {
        auto *synced = rig.make (0.8f, 2, 1, wave2), *free = rig.make (0.8f, 2, 0, wave2);
        rig.run ({ synced, free }, pitchFor (900.0), n);
        EXPECT_LT (oscspectrum::aliasRatio (samples (synced->osc2, n), 900.0, rate), 1e-3) << wave2;
        EXPECT_GT (oscspectrum::aliasRatio (samples (free->osc2, n), 900.0, rate), 0.3) << wave2;
    }

    // Phase-offset mode lets phase 1 run up to 4; detune mode takes it over as the
    // same point of the cycle, not as a sync far outside the sample.
    auto *switched = rig.make (0.0f, 2, 1, 0.5f), *reference = rig.make (0.0f, 2, 1, 0.5f);
    rig.run ({ switched, reference }, pitchFor (1500.0), 400);
    ASSERT_GE (switched->phase1, 1.0f);
    reference->phase1 -= std::floor (reference->phase1);
    switched->phaseDetuneIn->own->value = reference->phaseDetuneIn->own->value = 0.9f;
    rig.run ({ switched, reference }, pitchFor (1500.0), 256);
    for (int i = 0; i < 256; ++i)
        ASSERT_NEAR (switched->osc2.buffer[i], reference->osc2.buffer[i], 1e-5f) << i;

    // With core 1 alone in the mix the module sums in float: that must be the
    // sum in double, which a mix too small to move any sample still takes.
    for (float phaseDetune : { 0.2f, 0.8f })
    {
        auto *plain = rig.make (phaseDetune, 1, 0, 0.3f), *tiny = rig.make (phaseDetune, 1, 0, 0.3f);
        plain->wave1In->own->value = tiny->wave1In->own->value = 0.4f;
        tiny->mixIn->own->value = 1e-30f;
        tiny->driftTap->position = plain->driftTap->position;
        rig.run ({ plain, tiny }, pitchFor (700.0), 300);
        for (int i = 0; i < 300; ++i)
            ASSERT_EQ (plain->output.buffer[i], tiny->output.buffer[i]) << phaseDetune << " " << i;
    }

    // An empty block still pushes both outputs; a NaN pitch is reported once per block.
    auto *v = rig.make(), *sink = rig.make();
    v->out->connect (sink->cvIn);
    v->osc2Out->connect (sink->gateIn);
    rig.run ({ v }, 4.0f, 0);
    EXPECT_EQ (sink->cvIn->getSignal(), &v->output);
    EXPECT_EQ (sink->gateIn->getSignal(), &v->osc2);

    auto *phaseOffset = rig.make(), *detune = rig.make (0.9f), *clean = rig.make();
    testing::internal::CaptureStdout();
    rig.run ({ phaseOffset, phaseOffset, detune }, std::nanf (""), 256);
    rig.run ({ clean }, 4.0f, 256);
    EXPECT_EQ (testing::internal::GetCapturedStdout(), "");    // the audio thread only records

    testing::internal::CaptureStdout();
    QmDiagnostics::flush();
    QmDiagnostics::flush();
    EXPECT_EQ (testing::internal::GetCapturedStdout(), "nan oscnan oscnan osc");
}

// The module renders in chunks, core by core; its phases and core 2's sound
// must still follow the plain step to the bit: across chunk and block edges,
// with retrigger edges (off, then on), phase or detune modulation and sync.
TEST (VCO4Module, ChunksFollowThePlainStep)
{
    Rig rig;
    const int n = 702;      // not a whole number of chunks, nor of groups of four
    struct Case { float phaseDetune; int octave, sync, modType; };
    for (const auto& c : { Case { 0.3f, 0, 0, 1 }, Case { 0.2f, 4, 0, 0 }, Case { 0.8f, 3, 1, 1 }, Case { 0.7f, 1, 0, 2 } })
    {
        auto* v = rig.make (c.phaseDetune, c.octave, c.sync, 0.1f, 0.6f, c.modType);
        QmOscillatorCore reference (&rig.context);
        reference.smoothing = 1;
        const float oct = std::pow (2.0f, (float) c.octave - 2.0f);
        QmVCO4Module::PlainPhases plain;

        for (int block = 0; block < 2; ++block)
        {
            const bool retrigger = block > 0 || c.modType != 2;
            v->retriggerIn->own->value = retrigger ? 1.0f : 0.0f;
            for (int i = 0; i < n; ++i)
                v->gateIn->own->buffer[i] = (i + 50 * block) % 300 < 40 ? 0.0f : (i + 50 * block) % 300 < 170 ? 0.7f : 1.0f,   // and a legato rise
                    v->modSourceIn->own->buffer[i] = std::sin ((float) (i + n * block) * 0.01f);
            const float pitch = pitchFor (900.0) + 0.001f * (float) block;
            rig.run ({ v }, pitch, n);

            // after process the CV input holds the frequencies, as pitchToFrequency gives them
            for (int i = 0; i < n; ++i)
            {
                const float f = v->cvIn->own->buffer[i], modulation = v->modSourceIn->own->buffer[i] * 0.6f;
                ASSERT_EQ (f, QmSignal::frequencyOf (pitch + (c.modType == 2 ? modulation : 0.0f))) << i;
                const float pd = c.phaseDetune + (c.modType == 1 ? modulation : 0.0f);
                const auto core2 = QmVCO4Module::plainStep (plain, f, rate, c.phaseDetune, pd, oct, c.sync != 0, retrigger, v->gateIn->own->buffer[i]);
                ASSERT_EQ (v->osc2.buffer[i], reference.render (core2.phase, core2.increment, 0.1f, core2.sync)) << c.phaseDetune << " " << block << " " << i;
            }
            EXPECT_EQ (v->phase1, plain.phase1) << c.phaseDetune << " " << block;
            EXPECT_EQ (v->phase2, plain.phase2) << c.phaseDetune << " " << block;
        }
    }
}
