#include "OscillatorSpectrum.h"
#include "QmHumNoiseSource.h"
#include "QmProcessContext.h"
#include "QmVCO4Module.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

namespace
{
    constexpr float rate = 88200.0f;

    /** The octave pitch that pitchToFrequency turns into hz, and back. */
    float pitchFor (double hz) { return (float) std::log2 (hz / (16.3516 * 0.5)); }
    double hzOf (float pitch) { return (double) std::pow (2.0f, pitch) * 16.3516 * 0.5; }

    struct Rig
    {
        Rig() { context.sampleRate = rate; context.humNoise = &hum; }

        /** A module whose unconnected inputs are set through their own signals. */
        std::unique_ptr<QmVCO4Module> make (float phaseDetune = 0.0f, int octave = 2, int sync = 0, float wave2 = 0.0f)
        {
            auto v = std::make_unique<QmVCO4Module> (&context);
            v->phaseDetuneIn->own->value = phaseDetune;
            v->octaveIn->own->index = octave;
            v->syncIn->own->index = sync;
            v->wave2In->own->value = wave2;
            return v;
        }

        void run (QmVCO4Module& v, float pitch, int n)
        {
            context.blockLength = n;
            hum.fill (n);
            std::fill (v.cvIn->own->buffer, v.cvIn->own->buffer + n, pitch);
            v.process();
        }

        QmProcessContext context;
        QmHumNoiseSource hum { 88200 };
    };

    std::vector<float> samples (const QmSignal& s, int n) { return { s.buffer, s.buffer + n }; }
    double frac (double x) { return x - std::floor (x); }
}

TEST (VCO4Module, SocketsCoefficientsAndEmptyBlock)
{
    Rig rig;
    auto v = rig.make();
    EXPECT_EQ (v->name, "VCO4");
    const char* names[] = { "CV", "Gate", "Mix", "Phase detune", "Wave 1", "Wave 2", "Width 1", "Width 1",
                            "Octave", "Mod", "Mod type", "Mod in", "Env in", "Sync in", "Retrigger" };
    ASSERT_EQ (v->inputs.size(), 15u);
    for (size_t i = 0; i < 15; ++i)
        EXPECT_EQ (v->inputs[i]->name + (v->inputs[i]->kind ? "/b" : ""),
                   std::string (names[i]) + (i < 2 || i == 11 || i == 12 ? "/b" : ""));
    EXPECT_EQ (v->outputs[0]->name + v->outputs[1]->name, "OutOsc2");
    EXPECT_NE (v->core2.smoothing, 0);
    EXPECT_FLOAT_EQ (v->highPass.a, std::exp ((float) (-2.0 * M_PI * (3.0 / rate))));
    EXPECT_FLOAT_EQ (v->highPass.b1, (v->highPass.a + 1.0f) * -0.5f);

    auto sink = rig.make();     // an empty block still pushes both outputs
    v->out->connect (sink->cvIn);
    v->osc2Out->connect (sink->gateIn);
    rig.run (*v, 4.0f, 0);
    EXPECT_EQ (sink->cvIn->getSignal(), &v->output);
    EXPECT_EQ (sink->gateIn->getSignal(), &v->osc2);
}

// Core 2 against core 1: the octave ratio in both modes, the detune in the
// knob's upper half, and pitch modulation (type 2) moving both.
TEST (VCO4Module, OctaveDetuneAndPitchModulationRatios)
{
    Rig rig;
    const int n = 4096;
    const float pitch = pitchFor (700.0);
    struct Case { float phaseDetune; int octave; float pitchMod; double ratio1, ratio2; };
    const Case cases[] = {
        { 0.0f, 0, 0, 1, 0.25 }, { 0.0f, 1, 0, 1, 0.5 }, { 0.0f, 2, 0, 1, 1 }, { 0.0f, 3, 0, 1, 2 }, { 0.0f, 4, 0, 1, 4 },
        { 1.0f, 2, 0, 1, 2 }, { 0.75f, 1, 0, 1, std::sqrt (0.5) }, { 0.5f, 3, 0, 1, 2 }, { 0.0f, 2, 1, 2, 2 },
    };

    for (const auto& c : cases)
    {
        auto v = rig.make (c.phaseDetune, c.octave);
        v->modIn->own->value = c.pitchMod;
        v->modTypeIn->own->index = 2;
        std::fill (v->modSourceIn->own->buffer, v->modSourceIn->own->buffer + n, 1.0f);
        rig.run (*v, pitch, n);
        EXPECT_NEAR (oscspectrum::peakFrequency (samples (v->output, n), rate) / hzOf (pitch), c.ratio1, 0.005 * c.ratio1) << c.phaseDetune << " " << c.octave;
        EXPECT_NEAR (oscspectrum::peakFrequency (samples (v->osc2, n), rate) / hzOf (pitch), c.ratio2, 0.005 * c.ratio2) << c.phaseDetune << " " << c.octave;
    }
}

// Phase-offset mode: "Phase detune" 0.25 delays core 2 by half its cycle at
// octave index 2 (offset 2 P), by an eighth at index 0 (offset 0.5 P).
TEST (VCO4Module, PhaseOffsetShiftsCore2)
{
    Rig rig;
    const int n = 1024, shift = 100;   // period 200 samples; core 2's is 800 at index 0
    for (int octave : { 2, 0 })
    {
        auto plain = rig.make (0.0f, octave), offset = rig.make (0.25f, octave);
        rig.run (*plain, pitchFor (rate / 200.0), n);
        rig.run (*offset, pitchFor (rate / 200.0), n);
        // the later samples' float phase has gathered a little more rounding, seen only at the jumps
        for (int i = 300; i < n - shift; ++i)
            ASSERT_NEAR (offset->osc2.buffer[i], plain->osc2.buffer[i + shift], 3e-3f) << octave << " " << i;
    }
}

// Hard sync restarts core 2 with every cycle of core 1: all its partials fall
// on core 1's harmonics, whatever the detune.
TEST (VCO4Module, SyncLocksCore2ToCore1)
{
    Rig rig;
    const int n = 4096;
    for (float wave2 : { 0.0f, 0.25f })
    {
        auto synced = rig.make (0.8f, 2, 1, wave2), free = rig.make (0.8f, 2, 0, wave2);
        rig.run (*synced, pitchFor (900.0), n);
        rig.run (*free, pitchFor (900.0), n);
        EXPECT_LT (oscspectrum::aliasRatio (samples (synced->osc2, n), hzOf (pitchFor (900.0)), rate, rate / 4), 1e-3) << wave2;
        EXPECT_GT (oscspectrum::aliasRatio (samples (free->osc2, n), hzOf (pitchFor (900.0)), rate, rate / 4), 0.3) << wave2;
    }
}

TEST (VCO4Module, RetriggerResetsPhasesOnAGateRisingFromZero)
{
    Rig rig;
    const int n = 256, edge = 100;
    const double d1 = hzOf (pitchFor (1000.0)) / rate;
    struct Case { float before, retrigger; bool resets; };
    for (const auto& c : { Case { 0.0f, 1.0f, true }, Case { 0.5f, 1.0f, false } /* legato */, Case { 0.0f, 0.0f, false } })
    {
        auto v = rig.make (1.0f);   // detune mode, core 2 at twice core 1
        v->retriggerIn->own->value = c.retrigger;
        v->phase1 = 0.6f;
        v->phase2 = 0.3f;
        v->previousGate = c.before;
        for (int i = 0; i < n; ++i)
            v->gateIn->own->buffer[i] = i < edge ? c.before : 1.25f;
        rig.run (*v, pitchFor (1000.0), n);
        EXPECT_NEAR (v->phase1, frac (c.resets ? (n - edge) * d1 : 0.6 + n * d1), 1e-4) << c.before << " " << c.retrigger;
        EXPECT_NEAR (v->phase2, frac (c.resets ? (n - edge) * 2 * d1 : 0.3 + n * 2 * d1), 1e-4) << c.before << " " << c.retrigger;
    }
}

// Phase modulation (type 1) drives core 2's phase far below 0 and above 1; it
// must stay a wave of full scale. Shape modulation (type 0) is clamped to 1:
// core 1 falls silent while core 2 plays on.
TEST (VCO4Module, ModulationKeepsTheCoresInRange)
{
    Rig rig;
    const int n = 2048;
    for (int type : { 1, 0 })
        for (int octave : { 2, 4, 0 })
        {
            auto v = rig.make (0.0f, octave);
            v->modIn->own->value = 1.0f;
            v->modTypeIn->own->index = type;
            for (int i = 0; i < n; ++i)
                v->modSourceIn->own->buffer[i] = type == 1 ? -3.0f + 5.0f * (float) i / (float) n : i < 8 ? -5.0f : 5.0f;
            rig.run (*v, pitchFor (300.0), n);

            const auto o2 = samples (v->osc2, n), out = samples (v->output, n);
            EXPECT_LT (std::max (-*std::min_element (o2.begin(), o2.end()), *std::max_element (o2.begin(), o2.end())), 1.1f) << type << " " << octave;
            EXPECT_GT (*std::max_element (o2.begin(), o2.end()) - *std::min_element (o2.begin(), o2.end()), 0.9f);
            if (type == 0)
            {
                EXPECT_EQ (v->shape.buffer[0], 0.0f);
                EXPECT_EQ (v->shape.buffer[8], 1.0f);
                EXPECT_LT (*std::max_element (out.begin() + 100, out.end()) - *std::min_element (out.begin() + 100, out.end()), 0.01f);
            }
        }
}

// Phase-offset mode lets phase 1 run up to 4; detune mode takes it over as the
// same point of the cycle, not as a sync far outside the sample.
TEST (VCO4Module, EnteringDetuneModeWrapsPhase1)
{
    Rig rig;
    auto switched = rig.make (0.0f, 2, 1, 0.5f), reference = rig.make (0.0f, 2, 1, 0.5f);
    for (auto* v : { switched.get(), reference.get() })
        rig.run (*v, pitchFor (1500.0), 400);
    ASSERT_GE (switched->phase1, 1.0f);
    reference->phase1 -= std::floor (reference->phase1);

    for (auto* v : { switched.get(), reference.get() })
    {
        v->phaseDetuneIn->own->value = 0.9f;
        rig.run (*v, pitchFor (1500.0), 256);
    }
    for (int i = 0; i < 256; ++i)
        ASSERT_NEAR (switched->osc2.buffer[i], reference->osc2.buffer[i], 1e-5f) << i;
}

TEST (VCO4Module, NaNIsReportedOncePerBlock)
{
    Rig rig;
    auto v = rig.make();
    for (float phaseDetune : { 0.0f, 0.9f })
    {
        v->phaseDetuneIn->own->value = phaseDetune;
        testing::internal::CaptureStdout();
        rig.run (*v, std::nanf (""), 256);
        rig.run (*v, std::nanf (""), 256);
        EXPECT_EQ (testing::internal::GetCapturedStdout(), "nan oscnan osc") << phaseDetune;
    }
    auto clean = rig.make();
    testing::internal::CaptureStdout();
    rig.run (*clean, 4.0f, 256);
    EXPECT_EQ (testing::internal::GetCapturedStdout(), "");
}

// The module renders in chunks, core by core; its phases and core 2's sound
// must still follow the per-sample recurrences to the bit: across chunk and
// block edges, with retrigger edges, phase or detune modulation and sync.
TEST (VCO4Module, ChunksFollowThePerSampleRecurrences)
{
    Rig rig;
    const int n = 700;      // not a whole number of chunks
    struct Case { float phaseDetune; int octave, sync, modType; };
    for (const auto& c : { Case { 0.3f, 0, 0, 1 }, Case { 0.2f, 4, 0, 0 }, Case { 0.1f, 2, 0, 3 }, Case { 0.8f, 3, 1, 1 }, Case { 0.7f, 1, 0, 2 } })
    {
        auto v = rig.make (c.phaseDetune, c.octave, c.sync, 0.1f);
        v->modIn->own->value = 0.6f;
        v->modTypeIn->own->index = c.modType;
        QmOscillatorCore reference (&rig.context);
        reference.smoothing = 1;
        const float oct = std::pow (2.0f, (float) c.octave - 2.0f);
        float p1 = 0.0f, p2 = 0.0f, previousOffset = 0.0f, previousGate = 0.0f;

        for (int block = 0; block < 2; ++block)
        {
            const bool retrigger = block > 0 || c.modType != 2;    // off, then on: the gate is still followed
            v->retriggerIn->own->value = retrigger ? 1.0f : 0.0f;
            for (int i = 0; i < n; ++i)
            {
                v->gateIn->own->buffer[i] = (i + 50 * block) % 300 < 40 ? 0.0f : 0.7f;
                v->modSourceIn->own->buffer[i] = std::sin ((float) (i + n * block) * 0.01f);
            }
            rig.run (*v, pitchFor (900.0) + 0.001f * (float) block, n);

            // after process: the CV input holds the frequencies, P the (detune) offsets
            for (int i = 0; i < n; ++i)
            {
                const float f = v->cvIn->own->buffer[i], g = v->gateIn->own->buffer[i], pd = v->phaseDetune.buffer[i];
                if (retrigger && previousGate == 0.0f && g > 0.0f)
                    p1 = p2 = 0.0f;
                previousGate = g;
                const float d1 = f / rate;
                float o2;

                if (c.phaseDetune < 0.5f)
                {
                    float off = oct * pd;
                    if (oct <= 1.0f) off = (float) ((double) off * 2.0);
                    if (oct == 4.0f) off = (float) ((double) off * 0.5);
                    o2 = reference.render (oct * p1 + off, (off - previousOffset) + (oct * f) / rate, 0.1f, -1.0f);
                    previousOffset = off;
                    p1 = p1 + d1;
                    if (p1 > 4.0f) p1 = p1 - 4.0f;
                }
                else
                {
                    const float s = c.sync != 0 && d1 + p1 > 1.0f ? (float) (1.0 - (double) (float) ((double) ((d1 + p1) - 1.0f) / (double) d1)) : -1.0f;
                    const float d2 = std::pow (2.0f, pd) * d1 * oct;
                    o2 = reference.render (p2, d2, 0.1f, s);
                    p1 = p1 + d1;
                    if (p1 >= 1.0f) p1 = p1 - 1.0f;
                    p2 = s == -1.0f ? (p2 + d2 > 1.0f ? p2 + d2 - 1.0f : p2 + d2) : (1.0f - s) * d2;
                }
                ASSERT_EQ (v->osc2.buffer[i], o2) << c.phaseDetune << " " << block << " " << i;
            }
            EXPECT_EQ (v->phase1, p1);
            EXPECT_EQ (v->phase2, p2);
        }
    }
}
