#include "OscillatorSpectrum.h"
#include "QmHumNoiseSource.h"
#include "QmProcessContext.h"
#include "QmVCO4Module.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

namespace
{
    constexpr float rate = 88200.0f;

    /** What pitchToFrequency turns an octave pitch into. */
    double frequencyOf (float pitch) { return (double) std::pow (2.0f, pitch) * 16.3516 * 0.5; }
    float pitchFor (double hz) { return (float) std::log2 (hz / (16.3516 * 0.5)); }

    struct Rig
    {
        Rig()
        {
            context.sampleRate = rate;
            context.humNoise = &hum;
        }

        std::unique_ptr<QmVCO4Module> make()
        {
            auto vco = std::make_unique<QmVCO4Module> (&context);
            vco->mixIn->own->value = 0.0f;
            vco->octaveIn->own->index = 2;
            return vco;
        }

        /** One block at a constant pitch; the gate is whatever the caller left in it. */
        void run (QmVCO4Module& vco, float pitch, int n)
        {
            context.blockLength = n;
            hum.fill (n);
            std::fill (vco.cvIn->own->buffer, vco.cvIn->own->buffer + n, pitch);
            vco.process();
        }

        static std::vector<float> out (const QmSignal& s, int n) { return { s.buffer, s.buffer + n }; }

        QmProcessContext context;
        QmHumNoiseSource hum { 88200 };
    };

    struct Probe : QmModule
    {
        explicit Probe (QmProcessContext* c) : QmModule (c)
        {
            a = addInput ("A", QmSignal::block);
            b = addInput ("B", QmSignal::block);
        }
        QmInputSocket* a;
        QmInputSocket* b;
    };
}

TEST (VCO4Module, SocketsAndCoefficients)
{
    Rig rig;
    auto vco = rig.make();

    EXPECT_EQ (vco->name, "VCO4");
    const char* inputs[] = { "CV", "Gate", "Mix", "Phase detune", "Wave 1", "Wave 2", "Width 1", "Width 1",
                             "Octave", "Mod", "Mod type", "Mod in", "Env in", "Sync in", "Retrigger" };
    const uint32_t kinds[] = { 1, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 0, 0 };
    ASSERT_EQ (vco->inputs.size(), 15u);
    for (size_t i = 0; i < 15; ++i)
    {
        EXPECT_EQ (vco->inputs[i]->name, inputs[i]) << i;
        EXPECT_EQ (vco->inputs[i]->kind, kinds[i]) << i;
    }
    EXPECT_EQ (vco->findInput ("Width 1", 1), vco->width2In);
    ASSERT_EQ (vco->outputs.size(), 2u);
    EXPECT_EQ (vco->outputs[0]->name, "Out");
    EXPECT_EQ (vco->outputs[1]->name, "Osc2");

    EXPECT_EQ (vco->core1.smoothing, 0);
    EXPECT_NE (vco->core2.smoothing, 0);

    const float a = std::exp ((float) (-2.0 * M_PI * (3.0 / rate)));
    EXPECT_FLOAT_EQ (vco->highPass.a, a);
    EXPECT_FLOAT_EQ (vco->highPass.b0, (a + 1.0f) * 0.5f);
    EXPECT_FLOAT_EQ (vco->highPass.b1, (a + 1.0f) * -0.5f);

    // an empty block still pushes both outputs
    Probe probe (&rig.context);
    vco->out->connect (probe.a);
    vco->osc2Out->connect (probe.b);
    rig.run (*vco, 4.0f, 0);
    EXPECT_EQ (probe.a->getSignal(), &vco->output);
    EXPECT_EQ (probe.b->getSignal(), &vco->osc2);
}

// Core 2's pitch against core 1's: octave ratio in phase-offset mode, detune
// on top of it in the knob's upper half, pitch modulation on both.
TEST (VCO4Module, OctaveAndDetuneRatios)
{
    Rig rig;
    const int n = 4096;
    const float pitch = pitchFor (700.0);
    const double f1 = frequencyOf (pitch);

    struct Case { float phaseDetune; int octave; double ratio; };
    const Case cases[] = {
        { 0.0f, 0, 0.25 }, { 0.0f, 1, 0.5 }, { 0.0f, 2, 1.0 }, { 0.0f, 3, 2.0 }, { 0.0f, 4, 4.0 },
        { 1.0f, 2, 2.0 }, { 0.75f, 2, std::sqrt (2.0) }, { 0.75f, 1, std::sqrt (0.5) }, { 0.5f, 3, 2.0 },
    };

    for (const auto& c : cases)
    {
        auto vco = rig.make();
        vco->phaseDetuneIn->own->value = c.phaseDetune;
        vco->octaveIn->own->index = c.octave;
        rig.run (*vco, pitch, n);

        const double got1 = oscspectrum::peakFrequency (oscspectrum::power (Rig::out (vco->output, n)), rate);
        const double got2 = oscspectrum::peakFrequency (oscspectrum::power (Rig::out (vco->osc2, n)), rate);
        EXPECT_NEAR (got1 / f1, 1.0, 0.005) << "detune " << c.phaseDetune << " octave " << c.octave;
        EXPECT_NEAR (got2 / f1, c.ratio, 0.005 * c.ratio) << "detune " << c.phaseDetune << " octave " << c.octave;
    }

    // mod type 2 adds the modulation to the pitch: one octave up for both
    auto vco = rig.make();
    vco->modIn->own->value = 1.0f;
    vco->modTypeIn->own->index = 2;
    std::fill (vco->modSourceIn->own->buffer, vco->modSourceIn->own->buffer + n, 1.0f);
    rig.run (*vco, pitch, n);
    EXPECT_NEAR (oscspectrum::peakFrequency (oscspectrum::power (Rig::out (vco->output, n)), rate) / f1, 2.0, 0.01);
    EXPECT_NEAR (oscspectrum::peakFrequency (oscspectrum::power (Rig::out (vco->osc2, n)), rate) / f1, 2.0, 0.01);
}

// In phase-offset mode core 2 lags core 1 by a fixed part of its cycle.
TEST (VCO4Module, PhaseOffsetShiftsCore2)
{
    Rig rig;
    const int n = 1024;
    const float pitch = pitchFor (rate / 200.0);    // a period of 200 samples

    // octave index 2: offset 2 * P; index 0: 0.5 * P of core 2's (4 times longer) cycle
    for (int octave : { 2, 0 })
    {
        auto plain = rig.make();
        auto offset = rig.make();
        plain->octaveIn->own->index = octave;
        offset->octaveIn->own->index = octave;
        offset->phaseDetuneIn->own->value = 0.25f;

        rig.run (*plain, pitch, n);
        rig.run (*offset, pitch, n);

        const int shift = 100;    // half of 200, or an eighth of 800
        // (the float phase of the later samples has gathered a little more
        // rounding, which shows only where the saw jumps)
        for (int i = 300; i < n - shift; ++i)
            ASSERT_NEAR (offset->osc2.buffer[i], plain->osc2.buffer[i + shift], 3e-3f) << "octave " << octave << " sample " << i;
    }
}

// Hard sync: core 2 restarts with each cycle of core 1, so all its partials
// fall on core 1's harmonics whatever the detune; free-running they do not.
TEST (VCO4Module, SyncLocksCore2ToCore1)
{
    Rig rig;
    const int n = 4096;
    const float pitch = pitchFor (900.0);
    const double f1 = frequencyOf (pitch);

    for (float wave2 : { 0.0f, 0.25f })
    {
        auto synced = rig.make();
        auto free = rig.make();
        for (auto* v : { synced.get(), free.get() })
        {
            v->phaseDetuneIn->own->value = 0.8f;
            v->wave2In->own->value = wave2;
        }
        synced->syncIn->own->index = 1;

        rig.run (*synced, pitch, n);
        rig.run (*free, pitch, n);

        const auto s = oscspectrum::split (oscspectrum::power (Rig::out (synced->osc2, n)), f1, rate, rate / 4);
        const auto u = oscspectrum::split (oscspectrum::power (Rig::out (free->osc2, n)), f1, rate, rate / 4);
        EXPECT_LT (s.otherFraction(), 1e-3) << "wave " << wave2;
        EXPECT_GT (u.otherFraction(), 0.3) << "wave " << wave2;
    }
}

TEST (VCO4Module, RetriggerResetsPhasesOnAGateFromZero)
{
    Rig rig;
    const int n = 256, edge = 100;
    const float pitch = pitchFor (1000.0);

    struct Case { float before, after, retrigger; bool resets; };
    const Case cases[] = {
        { 0.0f, 1.25f, 1.0f, true },     // a new note
        { 0.5f, 1.25f, 1.0f, false },    // legato: the gate never was 0
        { 0.0f, 1.25f, 0.0f, false },    // retrigger off
    };

    for (const auto& c : cases)
    {
        auto vco = rig.make();
        vco->phaseDetuneIn->own->value = 1.0f;    // detune mode: core 2 at twice core 1
        vco->retriggerIn->own->value = c.retrigger;
        vco->phase1 = 0.6f;
        vco->phase2 = 0.3f;
        vco->previousGate = c.before;
        for (int i = 0; i < n; ++i)
            vco->gateIn->own->buffer[i] = i < edge ? c.before : c.after;

        rig.run (*vco, pitch, n);

        const double d1 = frequencyOf (pitch) / rate;
        const double p1 = c.resets ? (n - edge) * d1 : 0.6 + n * d1;
        const double p2 = c.resets ? (n - edge) * 2 * d1 : 0.3 + n * 2 * d1;
        EXPECT_NEAR (vco->phase1, p1 - std::floor (p1), 1e-4) << c.before << " " << c.retrigger;
        EXPECT_NEAR (vco->phase2, p2 - std::floor (p2), 1e-4) << c.before << " " << c.retrigger;
    }

    // the edge may fall on a block boundary: the last gate is remembered
    auto vco = rig.make();
    vco->retriggerIn->own->value = 1.0f;
    std::fill (vco->gateIn->own->buffer, vco->gateIn->own->buffer + n, 0.0f);
    rig.run (*vco, pitch, n);
    std::fill (vco->gateIn->own->buffer, vco->gateIn->own->buffer + n, 1.0f);
    rig.run (*vco, pitch, 16);
    EXPECT_NEAR (vco->phase1, 16 * frequencyOf (pitch) / rate, 1e-5);
}

TEST (VCO4Module, ShapeModulationIsClampedAndLeavesCore2Alone)
{
    Rig rig;
    const int n = 512;
    auto vco = rig.make();
    vco->modIn->own->value = 1.0f;
    vco->modTypeIn->own->index = 0;
    vco->mixIn->own->value = 0.0f;
    std::fill (vco->modSourceIn->own->buffer, vco->modSourceIn->own->buffer + n, 5.0f);
    rig.run (*vco, pitchFor (500.0), n);

    for (int i = 0; i < n; ++i)
        ASSERT_EQ (vco->shape.buffer[i], 1.0f);

    // core 1 at shape 1 is silent, leaving only the trace of noise; core 2 still plays its saw
    const auto s = Rig::out (vco->output, n);
    const auto o = Rig::out (vco->osc2, n);
    EXPECT_LT (*std::max_element (s.begin(), s.end(), [] (float a, float b) { return std::abs (a) < std::abs (b); }), 0.01f);
    EXPECT_GT (*std::max_element (o.begin(), o.end()) - *std::min_element (o.begin(), o.end()), 0.9f);
}

// Phase modulation drives core 2 far below 0 and above 1: it must stay a
// wave of full scale, not jump to several times it.
TEST (VCO4Module, PhaseModulationKeepsCore2InRange)
{
    Rig rig;
    const int n = 2048;

    for (int octave : { 2, 4, 0 })
    {
        auto vco = rig.make();
        vco->octaveIn->own->index = octave;
        vco->modIn->own->value = 1.0f;
        vco->modTypeIn->own->index = 1;
        for (int i = 0; i < n; ++i)
            vco->modSourceIn->own->buffer[i] = -3.0f + 5.0f * (float) i / (float) n;

        rig.run (*vco, pitchFor (300.0), n);

        for (int i = 0; i < n; ++i)
            ASSERT_LT (std::abs (vco->osc2.buffer[i]), 1.1f) << "octave " << octave << " sample " << i;
    }
}

// Phase-offset mode lets phase 1 run up to 4; detune mode must take it over
// as the same point of the cycle, not as a sync far outside the sample.
TEST (VCO4Module, EnteringDetuneModeWrapsPhase1)
{
    Rig rig;
    const int n = 256;
    const float pitch = pitchFor (1500.0);

    auto switched = rig.make();
    auto reference = rig.make();
    for (auto* v : { switched.get(), reference.get() })
    {
        v->syncIn->own->index = 1;
        v->wave2In->own->value = 0.5f;
        rig.run (*v, pitch, 400);     // phase-offset mode
    }
    ASSERT_GE (switched->phase1, 1.0f);
    reference->phase1 -= std::floor (reference->phase1);

    for (auto* v : { switched.get(), reference.get() })
    {
        v->phaseDetuneIn->own->value = 0.9f;
        rig.run (*v, pitch, n);
    }

    for (int i = 0; i < n; ++i)
        ASSERT_NEAR (switched->osc2.buffer[i], reference->osc2.buffer[i], 1e-5f) << i;
}

TEST (VCO4Module, NaNIsReportedOncePerBlock)
{
    Rig rig;
    auto vco = rig.make();

    for (float phaseDetune : { 0.0f, 0.9f })
    {
        vco->phaseDetuneIn->own->value = phaseDetune;
        testing::internal::CaptureStdout();
        rig.run (*vco, std::nanf (""), 256);
        rig.run (*vco, std::nanf (""), 256);
        EXPECT_EQ (testing::internal::GetCapturedStdout(), "nan oscnan osc") << phaseDetune;
        EXPECT_TRUE (std::isnan (vco->output.buffer[100]));
    }

    auto clean = rig.make();
    testing::internal::CaptureStdout();
    rig.run (*clean, 4.0f, 256);
    EXPECT_EQ (testing::internal::GetCapturedStdout(), "");
}
