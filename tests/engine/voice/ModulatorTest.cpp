#include "OscillatorSpectrum.h"
#include "QmRandom.h"
#include "QmVorlanModulator.h"
#include "VoiceTestSupport.h"

#include <gtest/gtest.h>

#include <numeric>

using namespace voicetest;

namespace
{
    constexpr double rate = 88200.0;
    constexpr size_t onset = 16;   // a note at host sample 0 reaches the modulator here
    const double lfoCycle = rate * 70.0 / 4096.0;    // samples per cycle at Freq 1

    // Choice parameters in ModRig's list: option (p) selects by index.
    constexpr int option (int parameter) { return -parameter - 1; }

    struct ModRig : Rig
    {
        ModRig (std::initializer_list<std::pair<int, float>> values)
            : env (tap (engine.modulator, "Env out")), amp (tap (engine.modulator, "Amp out")),
              mod (tap (engine.modulator, "Mod out"))
        {
            for (auto [p, v] : values)
                p < 0 ? choose (-p - 1, (int) v) : set (p, v);
        }

        const int env, amp, mod;
    };

    /** Samples the trapezoidal one-pole with g = tan (pi / t) takes from rest to reach half of its target. */
    int halfway (double t) { const double g = std::tan (pi / t), pole = (1.0 - g) / (1.0 + g); return (int) std::ceil (std::log (1.0 / (1.0 + pole)) / std::log (pole)); }

    /** Index of the first sample from `from` on that differs from 1. */
    size_t endOfHigh (const std::vector<float>& s, size_t from = 0) { return (size_t) (std::find_if (s.begin() + (long) from, s.end(), [] (float v) { return v != 1.0f; }) - s.begin()); }
}

TEST (Modulator, EnvelopeTimesCurvesVelocityAmpModeAndRetrigger)
{
    ModRig rig { { QmParam::envA, 0.05f }, { QmParam::envD, 0.0f }, { QmParam::envS, 0.5f }, { QmParam::envR, 0.0f },
                 { option (QmParam::ampAmpMode), 2 } };     // "Post": the amp envelope is the same
    rig.render (2048, { noteOn (60, 0.3f, 0) });
    const auto& env = rig.at (rig.env);

    // The attack aims at twice the level and stops there; A is doubled, then
    // halved in its coefficient tan (pi / (A / 2 + 900)). A time knob is
    // samples at 88200 Hz on the exponential curve with k = 3.
    const int peak = firstReaching (env, 1.0f);
    EXPECT_NEAR (peak - (int) onset, halfway ((std::exp (3.0 * 0.05) - 1.0) / (std::exp (3.0) - 1.0) * 1.0e6 + 900.0), 1);
    EXPECT_EQ (env[(size_t) peak], 1.0f);
    EXPECT_EQ (rig.at (rig.amp), env);

    // Velocity 0.5 is a level of 0.25, blended half-way with full level.
    ModRig vel { { QmParam::envA, 0.0f }, { QmParam::envS, 1.0f }, { QmParam::modulatorVelocity, 0.5f } };
    vel.render (1024, { noteOn (60, 0.5f, 0) });
    EXPECT_NEAR (vel.at (vel.amp).back(), 0.625f, 1e-4);

    // Amp mode "Pre": 100 samples of attack whatever "A" says, full sustain.
    ModRig pre { { QmParam::envA, 0.0f }, { QmParam::envD, 0.0f }, { QmParam::envS, 0.2f }, { option (QmParam::ampAmpMode), 0 } };
    pre.render (2048, { noteOn (60, 1.0f, 0) });
    EXPECT_NEAR (firstReaching (pre.at (pre.amp), 1.0f), (int) onset + halfway (50.0 + 900.0), 1);
    EXPECT_NEAR (pre.at (pre.amp).back(), 1.0f, 1e-6);

    // A legato key at the same level: only "Gate+trig" restarts the attack.
    for (int mode : { 0, 1 })
    {
        ModRig legato { { QmParam::envA, 0.0f }, { QmParam::envD, 0.0f }, { QmParam::envS, 0.5f }, { option (QmParam::modulatorAdsrSync), (float) mode } };
        legato.render (1024, { noteOn (60, 1.0f, 0) });
        legato.render (1024, { noteOn (64, 1.0f, 0) });
        EXPECT_NEAR (maxOf (legato.at (legato.env)), mode == 0 ? 1.0f : 0.5f, 1e-4) << mode;
    }
}

TEST (Modulator, WavesFollowRateKeysWheelTempoAndVelocity)
{
    // "Key" restarts the phase on the gate's rising sample; "None" runs on.
    for (int sync : { 0, 1 })
    {
        ModRig rig { { option (QmParam::modulatorWave), 0 }, { QmParam::modulatorFreq, 1.0f }, { option (QmParam::modulatorSync), (float) sync } };
        rig.render (1024, { noteOn (60, 1.0f, 0) });
        const double phase = (double) (sync == 0 ? 1000 : onset + 1001) / lfoCycle;
        EXPECT_NEAR (rig.at (rig.mod)[onset + 1000], std::sin (2.0 * pi * phase), 1e-3) << sync;
    }

    ModRig square { { option (QmParam::modulatorWave), 1 }, { QmParam::modulatorFreq, 1.0f } };
    square.render (1024, { noteOn (60, 1.0f, 0) });
    EXPECT_EQ (endOfHigh (square.at (square.mod), onset), onset + (size_t) std::ceil (lfoCycle / 2.0));

    // Sample and hold: a value drawn at the key press, then one per cycle,
    // on the grid -1 + 0.002 k with k < 1000.
    ModRig sh { { option (QmParam::modulatorWave), 2 }, { QmParam::modulatorFreq, 1.0f } };
    sh.render (512);
    sh.render (2048, { noteOn (60, 1.0f, 0) });
    const auto& out = sh.at (sh.mod);
    EXPECT_NE (out[onset], out[onset - 1]);
    for (size_t i = onset + 1; i < out.size(); ++i)
    {
        const double k = (out[i] + 1.0) / 0.002;
        EXPECT_TRUE (out[i] == out[i - 1] || ((i - onset) % (size_t) lfoCycle <= 1 && std::fabs (k - std::round (k)) < 0.01 && k < 999.5))
            << i << ": " << out[i] << " after " << out[i - 1];
    }

    // Wheel option "Mod": the wheel scales the wave.
    ModRig wheel { { option (QmParam::modulatorWave), 0 }, { QmParam::modulatorFreq, 1.0f }, { option (QmParam::modulatorWheel), 3 } };
    wheel.render (1024);
    EXPECT_EQ (maxOf (wheel.at (wheel.mod)), 0.0f);
    wheel.render (4096, { controller (1, 0.5f, 0) }, 4096);
    EXPECT_NEAR (maxOf (wheel.at (wheel.mod), 6000), 0.5f, 0.01);

    // Tempo sync at Freq 0.75: four cycles per beat, 22050 samples at 60 BPM.
    // Starting the transport starts a cycle, high for its first half;
    // stopping and restarting it restarts the cycle.
    ModRig tempo { { option (QmParam::modulatorWave), 1 }, { QmParam::modulatorFreq, 0.75f }, { option (QmParam::modulatorSync), 2 } };
    tempo.engine.context->tempo = 60.0f;
    for (uint8_t playing : { 1, 0, 1 })
        tempo.engine.context->playing = playing, tempo.render (6000, {}, 4096);
    EXPECT_NEAR ((double) endOfHigh (tempo.at (tempo.mod)), 11025.0, 11.0);

    ModRig rig { { option (QmParam::modulatorWave), 3 }, { QmParam::modulatorFreq, 1.0f }, { option (QmParam::modulatorAdsrSync), 2 }, { QmParam::envA, 0.0f },
                 { QmParam::envD, 0.0f }, { QmParam::envS, 0.0f }, { QmParam::envR, 0.0f } };
    rig.render (8192, { noteOn (60, 1.0f, 0) }, 4096);
    const auto& noise = rig.at (rig.mod);
    EXPECT_NEAR (std::sqrt (std::inner_product (noise.begin(), noise.end(), noise.begin(), 0.0) / 16384.0), 1.0, 0.1);

    // Ten LFO cycles on, the LFO gate still retriggers the envelope each cycle.
    const auto& env = rig.at (rig.env);
    const size_t lastCycle = env.size() - (size_t) lfoCycle;
    EXPECT_GT (maxOf (env, lastCycle), 0.9f);
    EXPECT_LT (*std::min_element (env.begin() + (std::ptrdiff_t) lastCycle, env.end()), 0.1f);

    // Wave 4: twice velocity squared, falling tenfold over time / 4 + 600
    // samples, through a 75 Hz smoother (time 0 at Freq 0).
    ModRig wow { { option (QmParam::modulatorWave), 4 }, { QmParam::modulatorFreq, 0.0f }, { QmParam::modulatorVelocity, 1.0f } };
    wow.render (1024, { noteOn (60, 0.5f, 0) });
    const auto& w = wow.at (wow.mod);
    EXPECT_EQ (w[onset - 1], 0.0f);
    EXPECT_NEAR (w[onset], 0.5 * (1.0 - std::exp (-2.0 * pi * 75.0 / 44100.0)) * std::pow (0.1, 1.0 / 600.0), 1e-5);
    EXPECT_NEAR (w[onset + 1800] / w[onset + 1200], 0.1, 0.001);

    // Wave 5: a sine at a quarter of 2^cv x 16.3516 Hz, cv = the shifted CV + 4 Freq - 2 (2^5 for note 60).
    ModRig sine { { option (QmParam::modulatorWave), 5 }, { QmParam::modulatorFreq, 0.75f } };
    sine.render (64, { noteOn (60, 1.0f, 0) });
    sine.render (4096, {}, 4096);
    EXPECT_NEAR (oscspectrum::peakFrequency (sine.at (sine.mod), rate), 32.0 * 16.3516 * 0.25, 0.4);
}

TEST (Modulator, EnvelopeBlocksMatchThePlainStepToTheBit)
{
    // Held stretches (where a settled envelope repeats its output), retrigger
    // marks, a legato rise and fall, a release and a new note, in blocks of
    // changing length.
    std::vector<float> gate (20000, 0.0f);
    for (auto [from, to, level] : { std::tuple { 100, 8000, 0.64f }, { 8000, 9000, 0.81f }, { 9000, 11000, 0.25f }, { 17000, 20000, 1.0f } })
        std::fill (gate.begin() + from, gate.begin() + to, level);
    gate[100] = 1.64f, gate[10000] = 1.25f, gate[17000] = 2.0f;

    for (uint8_t retrigger : { 0, 1 })
    {
        QmEnvelopeState state;
        state.attack = 1200.0f, state.decay = 900.0f, state.release = 400.0f, state.sustain = 0.55f;
        state.velocityAmount = 0.6f, state.retrigger = retrigger;
        QmEnvelopeState plain = state;

        std::vector<float> out (gate.size());
        for (size_t start = 0, size = 1000; start < gate.size(); start += size, size = size % 4093 + 777)
            QmVorlanModulator::renderEnvelope (state, gate.data() + start, out.data() + start, (int) std::min (size, gate.size() - start));
        for (size_t i = 0; i < gate.size(); ++i)
            ASSERT_TRUE (sameBits (out[i], QmVorlanModulator::envelopeStep (plain, gate[i]))) << i << " retrigger " << (int) retrigger;
    }
}

TEST (Modulator, WavePhaseBlocksMatchThePlainStepToTheBit)
{
    // Steps that round alike across a binade, steps exactly halfway between
    // two grid points (from an odd phase, where the first rounds the other
    // way), steps too short to move the phase, and fast ones; a gate with key
    // presses from silence (and long silences, a negative zero among them),
    // in blocks of changing length. Sine (its phase times 2 pi), square, and
    // sample and hold.
    const float start = std::nextafter (0.3f, 1.0f);
    std::vector<float> gate (30000, 0.7f);
    std::fill (gate.begin(), gate.begin() + 2500, 0.0f);
    std::fill (gate.begin() + 9000, gate.begin() + 9500, 0.0f);
    std::fill (gate.begin() + 9200, gate.begin() + 9300, -0.0f);
    std::fill (gate.begin() + 20000, gate.begin() + 20003, 0.0f);

    for (const int wave : { 0, 1, 2 })
        for (const float inc : { 1.6e-5f, 49.0f * 0x1p-26f, 16383.0f * 0x1p-25f, 0x1p-14f + 0x1p-38f, 2.0e-8f, 0.013f, 0.37f })
            for (const bool keySync : { true, false })
            {
                qmSrand (9);
                float phase = start, held = 0.0f, previousGate = 0.0f, advanced = start;
                std::vector<float> lfo (gate.size()), out (gate.size());
                for (size_t from = 0, size = 1000; from < gate.size(); from += size, size = size % 4093 + 777)
                {
                    const int length = (int) std::min (size, gate.size() - from);
                    wave == 2 ? QmVorlanModulator::renderSampleAndHold (phase, held, previousGate, inc, keySync, gate.data() + from, lfo.data() + from, out.data() + from, length)
                              : QmVorlanModulator::renderCycle (phase, previousGate, inc, keySync, wave == 0, gate.data() + from, lfo.data() + from, out.data() + from, length);

                    // Without key presses, the phase alone (what a rest moves) ends each block where the wave's does.
                    QmVorlanModulator::advancePhase (advanced, inc, length);
                    if (! keySync)
                        ASSERT_TRUE (sameBits (advanced, phase)) << wave << " " << inc << " " << from;
                    advanced = phase;
                }
                const unsigned int drawn = qmRandState();

                qmSrand (9);
                QmVorlanModulator::WaveState plain { start };
                for (size_t i = 0; i < gate.size(); ++i)
                {
                    float lfoSample;
                    const float value = QmVorlanModulator::waveStep (plain, wave, inc, keySync, gate[i], lfoSample);
                    ASSERT_EQ (lfo[i], lfoSample) << wave << " " << inc << " " << keySync << " " << i;
                    ASSERT_EQ (out[i], value) << wave << " " << inc << " " << keySync << " " << i;
                }
                EXPECT_EQ (phase, plain.phase) << inc;
                if (wave == 2)
                    EXPECT_EQ (held, plain.held) << inc;
                EXPECT_EQ (previousGate, plain.previousGate) << inc;
                EXPECT_EQ (qmRandState(), drawn) << inc;
            }
}
