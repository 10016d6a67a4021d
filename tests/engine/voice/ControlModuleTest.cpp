#include "VoiceTestSupport.h"

#include <gtest/gtest.h>

using namespace voicetest;

namespace
{
    constexpr float drift = 0.001f;     // drift moves the CV by at most half of this

    float cvOf (int note) { return (float) note / 12.0f - 1.0f; }

    struct ControlRig : Rig
    {
        // The glide smoother gets its coefficients at the end of the first block.
        ControlRig (bool warm = true)
            : gate (tap (engine.control, "Gate out")), cv (tap (engine.control, "CV out")),
              shiftedGate (tap (engine.control, "Shifted gate")), shiftedCv (tap (engine.control, "Shifted cv")),
              modWheel (tap (engine.control, "Mod wheel")) { if (warm) render (64); }

        const int gate, cv, shiftedGate, shiftedCv, modWheel;
    };
}

TEST (ControlModule, EveryNoteEventIsRenderedAndShiftedBy16SamplesAtAnyBlockSize)
{
    // A note inside one host block, a one-sample note, and a bend.
    const std::vector<QmMidiEvent> events { noteOn (60, 1.0f, 5), noteOff (60, 20), noteOn (64, 0.8f, 30),
                                            noteOff (64, 31), pitchBend (0.9f, 33), noteOn (48, 0.3f, 40) };
    std::vector<float> reference;

    // Host blocks of 3 and 7 give engine blocks shorter than the 16-sample delay.
    for (int blockSize : { 128, 7, 3 })
    {
        ControlRig rig (false);
        rig.render (128, events, blockSize);
        const auto& gate = rig.at (rig.gate);

        for (size_t i = 0; i < gate.size(); ++i)
        {
            ASSERT_EQ (rig.at (rig.shiftedGate)[i], i < 16 ? 0.0f : gate[i - 16]) << blockSize << " at " << i;
            ASSERT_EQ (rig.at (rig.shiftedCv)[i], i < 16 ? 0.0f : rig.at (rig.cv)[i - 16]) << blockSize << " at " << i;
        }
        EXPECT_TRUE (reference.empty() || gate == reference) << "host blocks of " << blockSize;
        reference = gate;
    }

    // Host sample 5 is engine sample 10; the level is velocity squared, plus
    // the retrigger mark on the switching sample.
    const std::pair<int, float> expected[] = { { 9, 0.0f }, { 10, 2.0f }, { 11, 1.0f }, { 39, 1.0f }, { 40, 0.0f },
                                               { 60, 1.64f }, { 61, 0.64f }, { 62, 0.0f }, { 80, 1.09f }, { 255, 0.09f } };
    for (auto [i, level] : expected)
        EXPECT_FLOAT_EQ (reference[(size_t) i], level) << i;
}

TEST (ControlModule, LastNotePriorityStrayNoteOffsFloodsAndAllNotesOff)
{
    ControlRig rig;
    rig.render (128, { noteOn (60, 1.0f, 0), noteOn (64, 0.5f, 10),
                       noteOff (64, 20),        // back to the held 60, keeping 64's level, marked
                       noteOff (70, 25),        // never held
                       noteOff (64, 30),        // repeated
                       noteOn (67, 1.0f, 40),
                       noteOff (60, 50),        // a background key
                       noteOff (67, 60) }, 128);

    // Stray, repeated and background note-offs change nothing; the last key
    // up closes the gate and leaves the pitch.
    for (auto [i, level] : { std::pair { 0, 2.0f }, { 20, 1.25f }, { 40, 1.25f }, { 41, 0.25f }, { 50, 0.25f },
                             { 60, 0.25f }, { 80, 2.0f }, { 100, 1.0f }, { 119, 1.0f }, { 120, 0.0f } })
        EXPECT_EQ (rig.at (rig.gate)[(size_t) i], level) << i;
    for (auto [i, note] : { std::pair { 35, 64 }, { 55, 60 }, { 75, 60 }, { 115, 67 }, { 200, 67 } })
        EXPECT_NEAR (rig.at (rig.cv)[(size_t) i], cvOf (note), drift) << i;

    // Floods: every key held at once, then lists longer than their capacity.
    std::vector<QmMidiEvent> flood;
    for (int i = 0; i < QmControlModule::maxEvents; ++i)
        flood.push_back (noteOn (i % 128, 1.0f, i));
    rig.render (4096, flood, 4096);

    // A full list: the note-off beyond its capacity is dropped.
    std::vector<QmMidiEvent> full (QmControlModule::maxEvents, noteOn (61, 0.5f, 0));
    full.push_back (noteOff (61, 10));
    rig.render (64, full, 64);
    EXPECT_EQ (rig.at (rig.gate).back(), 0.25f);

    // Releases return to the keys pressed before, newest first.
    rig.render (64, { noteOff (61, 0), noteOff (127, 32) }, 64);
    EXPECT_NEAR (rig.at (rig.cv)[50], cvOf (127), drift);
    EXPECT_NEAR (rig.at (rig.cv)[120], cvOf (126), drift);

    // Every key was kept: 126, pressed last, goes at 252.
    std::vector<QmMidiEvent> release;
    for (int note = 0; note < 128; ++note)
        release.push_back (noteOff (note, note));
    rig.render (256, release, 256);
    EXPECT_EQ (rig.at (rig.gate)[251], 0.25f);
    EXPECT_EQ (rig.at (rig.gate)[252], 0.0f);

    // All Notes Off and All Sound Off release every key.
    ControlRig off;
    off.render (128, { noteOn (60, 1.0f, 0), noteOn (64, 1.0f, 5),
                       controller (QmMidiEvent::allNotesOff, 0.0f, 20),
                       noteOn (67, 0.5f, 30),
                       noteOff (67, 50),        // the only key held
                       noteOn (72, 1.0f, 55),
                       controller (QmMidiEvent::allSoundOff, 0.0f, 60) }, 128);

    for (auto [i, level] : { std::pair { 39, 1.0f }, { 40, 0.0f }, { 60, 1.25f }, { 80, 0.25f }, { 100, 0.0f },
                             { 110, 2.0f }, { 119, 1.0f }, { 120, 0.0f } })
        EXPECT_EQ (off.at (off.gate)[(size_t) i], level) << i;
    EXPECT_NEAR (off.at (off.cv)[90], cvOf (67), drift);
}

TEST (ControlModule, GlidePolyGlideAutoPitchWheelAndModWheel)
{
    ControlRig rig (false);
    rig.set (QmParam::paramsGlidePoly, 0.5f);    // 2^((1 - 0.5) 8 - 2) = 4 Hz
    rig.render (64);
    const double a = std::exp (-2.0 * pi * 4.0 / 88200.0);

    rig.render (2048, { noteOn (60, 1.0f, 0) });
    EXPECT_NEAR (rig.at (rig.cv)[1000], 4.0 * (1.0 - std::pow (a, 1001)), 0.002);

    // Glide auto: from silence the pitch jumps; legato it glides.
    rig.choose (QmParam::paramsGlideAuto, 1);
    rig.render (2048, { noteOff (60, 0) });
    rig.render (1024, { noteOn (72, 1.0f, 0) });
    EXPECT_NEAR (rig.at (rig.cv)[8], cvOf (72), drift);
    rig.render (1024, { noteOn (76, 1.0f, 0) });
    EXPECT_NEAR (rig.at (rig.cv)[1000], cvOf (76) + (cvOf (72) - cvOf (76)) * std::pow (a, 1001), 0.002);

    ControlRig wheels;
    wheels.render (64, { noteOn (60, 1.0f, 0) });
    wheels.render (4096, { pitchBend (1.0f, 0), controller (1, 1.0f, 0) }, 4096);

    // The bend moves 0.1% of the way per sample, up to +1 octave; the mod
    // wheel is a 30 Hz low-pass at the engine's rate.
    EXPECT_NEAR (wheels.at (wheels.cv)[999], 5.0 - std::pow (0.999, 1000.0), 0.003);
    EXPECT_NEAR (wheels.at (wheels.cv)[8191], 5.0f, 0.003);
    EXPECT_NEAR (wheels.at (wheels.modWheel)[499], 1.0 - std::pow (std::exp (-2.0 * pi * 30.0 / 88200.0), 500.0), 1e-4);

    // Other controllers leave the wheel alone.
    wheels.render (64, { controller (7, 0.0f, 0) });
    EXPECT_NEAR (wheels.at (wheels.modWheel).back(), 1.0f, 1e-4);

    // Reset All Controllers glides both back to where they start: the bend
    // to its centre, the mod wheel to 0.
    wheels.render (8192, { controller (QmMidiEvent::resetAllControllers, 0.0f, 0) }, 4096);
    EXPECT_NEAR (wheels.at (wheels.cv).back(), 4.0f, 0.003);
    EXPECT_NEAR (wheels.at (wheels.modWheel).back(), 0.0f, 1e-4);
}

TEST (ControlModule, SwitchesOutOfOrderTakeEffectWhenTheListReachesThem)
{
    // The switch list is walked in event order: a later event placed earlier
    // in the block waits for the one before it and loses its mark, and a
    // switch beyond the block sounds from the next block on, unmarked.
    QmProcessContext context;
    context.sampleRate = 88200.0f;
    QmControlModule control (&context);
    Probe probe (&context);
    const int gate = probe.tap (control.gateOut), cv = probe.tap (control.cvOut);

    control.appendEvents ({ noteOn (60, 1.0f, 50), noteOn (64, 0.5f, 20), noteOn (67, 1.0f, 200) });
    for (int block = 0; block < 2; ++block)
    {
        pull (control, 256);
        for (int i = 0; i < 256; ++i)
            ASSERT_EQ (probe.samples (gate)[i], block > 0 ? 1.0f : i < 100 ? 0.0f : 0.25f) << block << " " << i;
    }
    EXPECT_NEAR (probe.samples (cv)[255], cvOf (67), drift);
}
