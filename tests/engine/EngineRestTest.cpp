#include "OscillatorSpectrum.h"
#include "QmAmplifierModule.h"
#include "QmProcessContext.h"
#include "QmVorlanModulator.h"
#include "VoiceTestSupport.h"

#include <gtest/gtest.h>

#include <functional>

using namespace voicetest;

namespace
{
    constexpr int block = 512;
    constexpr double hostRate = 44100.0;

    struct Player
    {
        QmSynthEngine engine;
        std::vector<float> left = std::vector<float> (block), right = std::vector<float> (block);

        /** Renders one block; returns its peak. */
        float render (const std::vector<QmMidiEvent>& events = {})
        {
            engine.renderBlock (left.data(), right.data(), events, block);
            return std::abs (*std::max_element (left.begin(), left.end(), [] (float x, float y) { return std::abs (x) < std::abs (y); }));
        }

        /** Blocks rendered until the engine rests, at most limit. */
        int blocksUntilRest (int limit) { int n = 0; for (; ! engine.isResting() && n < limit; ++n) render(); return n; }
    };

    constexpr int blocksPerSecond = (int) (hostRate / block);

    /** Blocks of the wait before a rest, and a limit well beyond it. */
    constexpr int waitBlocks = (int) (QmSynthEngine::restSeconds * blocksPerSecond);
    constexpr int limit = waitBlocks + 10 * blocksPerSecond;
}

TEST (EngineRest, RestsOnceReleasedAndQuietAndWakesForWhatCanSound)
{
    Player p;
    p.render ({ noteOn (60, 0.8f, 0) });
    for (int b = 0; b < blocksPerSecond / 2; ++b)
        p.render();
    EXPECT_FALSE (p.engine.isResting());

    // Released: the release sounds out first, then the wait runs.
    p.render ({ noteOff (60, 0) });
    const int blocks = p.blocksUntilRest (limit);
    EXPECT_GE (blocks, waitBlocks);
    EXPECT_LT (blocks, waitBlocks + 3 * blocksPerSecond);

    // At rest the graph stands still and the output is exact silence.
    const int tick = p.engine.context->tick;
    std::fill (p.left.begin(), p.left.end(), 1.0f);
    std::fill (p.right.begin(), p.right.end(), 1.0f);
    EXPECT_EQ (p.render(), 0.0f);
    EXPECT_EQ (*std::max_element (p.right.begin(), p.right.end()), 0.0f);
    EXPECT_EQ (p.engine.context->tick, tick);

    // A parameter set to the value it has changes nothing.
    p.engine.parameters[QmParam::lpfRes]->setValue (p.engine.parameters[QmParam::lpfRes]->getValue());
    p.render();
    EXPECT_EQ (p.engine.context->tick, tick);

    // Each of these runs the graph for the block it comes with; one that
    // makes no sound lets the engine rest again.
    const std::vector<std::pair<const char*, std::function<std::vector<QmMidiEvent>()>>> wakers {
        { "controller", [] { return std::vector<QmMidiEvent> { controller (20, 0.5f, 3) }; } },
        { "pitch wheel", [] { return std::vector<QmMidiEvent> { pitchBend (0.7f, 0) }; } },
        { "stray note-off", [] { return std::vector<QmMidiEvent> { noteOff (61, 0) }; } },
        { "parameter", [&] { p.engine.parameters[QmParam::lpfCutoff]->setValue (0.4f); return std::vector<QmMidiEvent>(); } },
        { "sample rate", [&] { p.engine.context->sampleRate = 44100.0f; return std::vector<QmMidiEvent>(); } },
    };

    for (const auto& [name, wake] : wakers)
    {
        const int before = p.engine.context->tick;
        p.render (wake());
        EXPECT_EQ (p.engine.context->tick, before + 1) << name;
        EXPECT_LE (p.blocksUntilRest (limit), waitBlocks + 1) << name;
    }

    // A note struck and released within the block's last samples is still
    // in the gate's delay when the block ends: it sounds all the same.
    p.render ({ noteOn (60, 0.8f, block - 6), noteOff (60, block - 1) });
    EXPECT_FALSE (p.engine.isResting());
    EXPECT_GT (p.render(), 1.0e-4f);

    // A held key keeps the engine awake, even where it is silent.
    Player silent;
    silent.engine.parameters[QmParam::ampAmount]->setValue (0.0f);
    silent.render ({ noteOn (60, 0.8f, 0) });
    EXPECT_EQ (silent.blocksUntilRest (limit), limit);
}

TEST (EngineRest, ANoteAfterARestSoundsAsWithoutAndStartsWithoutAClick)
{
    // One engine rests; the other is kept awake by a controller nobody reads.
    Player rested, awake;
    for (auto* p : { &rested, &awake })
    {
        for (auto [param, value] : { std::pair { QmParam::lpfCutoff, 0.55f }, { QmParam::lpfRes, 0.3f }, { QmParam::lpfEnv, 0.3f },
                                     { QmParam::envD, 0.4f }, { QmParam::envS, 0.6f } })
            p->engine.parameters[param]->setValue (value);
        p->render ({ noteOn (84, 0.8f, 0) });
    }

    for (int b = 0; b < waitBlocks + 4 * blocksPerSecond; ++b)
    {
        const bool release = b == blocksPerSecond / 4;
        rested.render (release ? std::vector<QmMidiEvent> { noteOff (84, 0) } : std::vector<QmMidiEvent>());
        awake.render ({ release ? noteOff (84, 0) : controller (20, 0.5f, 0) });
    }
    ASSERT_TRUE (rested.engine.isResting());
    ASSERT_EQ (awake.engine.context->tick, waitBlocks + 4 * blocksPerSecond);     // ran every block

    // The same note on both, 0.4 s of it.
    std::vector<float> a, b;
    for (int k = 0; k < 35; ++k)
        for (auto [p, out] : { std::pair { &rested, &a }, { &awake, &b } })
            p->render (k == 0 ? std::vector<QmMidiEvent> { noteOn (84, 0.8f, 100) } : std::vector<QmMidiEvent>()),
                out->insert (out->end(), p->left.begin(), p->left.end());

    // Level: every 10 ms from the note on within half a decibel.
    const int window = (int) (hostRate / 100);
    for (size_t from = 100; from + (size_t) window <= a.size(); from += (size_t) window)
    {
        double ea = 0.0, eb = 0.0;
        for (size_t i = from; i < from + (size_t) window; ++i)
            ea += (double) a[i] * a[i], eb += (double) b[i] * b[i];
        EXPECT_NEAR (10.0 * std::log10 (ea / eb), 0.0, 0.5) << "at sample " << from;
    }

    // Spectrum: the same strongest partial once the note has settled.
    const std::vector<float> tailA (a.end() - 8192, a.end()), tailB (b.end() - 8192, b.end());
    EXPECT_NEAR (oscspectrum::peakFrequency (tailA, hostRate), oscspectrum::peakFrequency (tailB, hostRate), 2.0);

    // No click: silence before the note, and no steeper step in its first
    // 20 ms than without the rest.
    auto steepest = [&] (const std::vector<float>& s)
    {
        float step = 0.0f;
        for (size_t i = 1; i < 100 + (size_t) (2 * window); ++i)
            step = std::max (step, std::abs (s[i] - s[i - 1]));
        return step;
    };
    EXPECT_LT (*std::max_element (a.begin(), a.begin() + 100), QmSynthEngine::restLevel);
    EXPECT_LT (steepest (a), 1.25f * steepest (b));
}

TEST (EngineRest, ATempoSyncedWaveKeepsTheBeatAcrossARest)
{
    // A sine at two cycles a beat on the host's tempo, on an engine that
    // rests and on one kept awake by a controller nobody reads. The host's
    // tempo and play flag change on both at the given blocks; a note at block
    // 0 is released after half a second, the next one comes after a rest.
    struct Change { int block; float tempo; uint8_t playing; };
    auto phasesAtNote = [] (std::vector<Change> changes, int noteSample)
    {
        Player rested, awake;
        for (auto* p : { &rested, &awake })
            for (auto [param, value] : { std::pair { QmParam::modulatorWave, 0.0f }, { QmParam::modulatorFreq, 0.6f }, { QmParam::modulatorSync, 1.0f } })
                p->engine.parameters[param]->setValue (value);

        for (int b = 0; b <= noteSample / block; ++b)
        {
            for (const auto& c : changes)
                for (auto* p : { &rested, &awake })
                    if (c.block == b)
                        p->engine.context->tempo = c.tempo, p->engine.context->playing = c.playing;

            std::vector<QmMidiEvent> events;
            if (b == 0 || b == noteSample / block)
                events = { noteOn (48, 0.8f, b == 0 ? 0 : noteSample % block) };
            if (b == blocksPerSecond / 2)
                events = { noteOff (48, 0) };

            EXPECT_TRUE (rested.engine.isResting() || b < noteSample / block - blocksPerSecond);
            rested.render (events);
            awake.render (events.empty() ? std::vector<QmMidiEvent> { controller (20, 0.5f, 0) } : events);
        }
        return std::pair { rested.engine.modulator->phase, awake.engine.modulator->phase };
    };

    // Playing throughout, notes 12 and 13.5 s after the first, the tempo
    // moving to 90 during one rest; then the transport starts, stops and
    // starts again during the rest, and the note falls on an off-beat
    // sixteenth after the last start.
    const int start = 8 * blocksPerSecond;
    for (const auto& [changes, noteSample] : { std::pair { std::vector<Change> { { 0, 120.0f, 1 } }, 12 * (int) hostRate },
                                               { { { 0, 120.0f, 1 } }, (int) (13.5 * hostRate) },
                                               { { { 0, 120.0f, 1 }, { 10 * blocksPerSecond, 90.0f, 1 } }, 12 * (int) hostRate },
                                               { { { 0, 120.0f, 0 }, { 5 * blocksPerSecond, 120.0f, 1 }, { 6 * blocksPerSecond, 120.0f, 0 }, { start, 120.0f, 1 } },
                                                 start * block + (int) (33 * hostRate / 8.0) } })
    {
        const auto [rested, awake] = phasesAtNote (changes, noteSample);
        EXPECT_TRUE (sameBits (rested, awake)) << "note at " << noteSample << ": off by " << rested - awake << " cycle";
    }
}

TEST (EngineRest, AWheelMovedAtRestGlidesToItsPlaceBeforeTheEngineRestsAgain)
{
    // The next note starts at the wheel's pitch, as without the rest: the
    // wheel's glide is not frozen half-way. A reset of all controllers
    // brings the wheel back to its centre.
    Rig rig;
    const int cv = rig.tap (rig.engine.control, "CV out");
    const float a4 = 69.0f / 12.0f - 1.0f;

    for (auto [name, wheel, expected] : { std::tuple { "bend down", pitchBend (0.0f, 0), a4 - 1.0f },
                                          { "reset all controllers", controller (QmMidiEvent::resetAllControllers, 0.0f, 0), a4 } })
    {
        rig.render ((waitBlocks + 4 * blocksPerSecond) * block, {}, block);
        ASSERT_TRUE (rig.engine.isResting()) << name;

        rig.render (10 * block, { wheel }, block);
        rig.render (block, { noteOn (69, 0.8f, 0) }, block);
        EXPECT_NEAR (rig.at (cv)[64], expected, 0.002f) << name;
        rig.render (block, { noteOff (69, 0) }, block);
    }
}

TEST (EngineRest, SilenceEndsTheSoundAtOnceAndKeepsTheWheelsAndTheTempoSyncedPhase)
{
    // A bent note with the mod wheel up and a tempo-synced wave: one engine
    // is silenced mid-note, the other releases the note at the same sample.
    Rig silenced, released;
    const int out = silenced.tap (silenced.engine.amplifier, "Out"), wheel = silenced.tap (silenced.engine.control, "Mod wheel");
    const int cv = silenced.tap (silenced.engine.control, "CV out");
    for (auto* rig : { &silenced, &released })
    {
        rig->choose (QmParam::modulatorWave, QmVorlanModulator::sine);
        rig->choose (QmParam::modulatorSync, QmVorlanModulator::tempoSync);
        rig->render (20 * block, { pitchBend (0.0f, 0), controller (1, 1.0f, 0), noteOn (69, 0.8f, 0) }, block);
    }
    ASSERT_GT (maxOf (silenced.at (out)), 0.01f);

    // Nothing sounds from the next sample on; the engine rests after the
    // usual wait (restarted by the first block, which notes the settings the
    // note began with), and once at rest it stays there.
    silenced.engine.silence();
    released.render (block, { noteOff (69, 0) }, block);
    silenced.render (block, {}, block);
    EXPECT_EQ (std::count (silenced.at (out).begin(), silenced.at (out).end(), 0.0f), 2 * block);
    EXPECT_NEAR (silenced.at (wheel).back(), 1.0f, 1.0e-4f);

    int blocks = 1;
    for (; ! silenced.engine.isResting() && blocks < limit; ++blocks)
        silenced.render (block, {}, block), released.render (block, {}, block);
    EXPECT_LE (blocks, waitBlocks + 2);

    const int tick = silenced.engine.context->tick;
    silenced.engine.silence();
    silenced.render (block, {}, block), released.render (block, {}, block);
    EXPECT_EQ (silenced.engine.context->tick, tick);

    // Once both rest, the next note finds the wave where the other engine's
    // is, and plays at the bent pitch.
    for (int b = 0; b < limit && ! released.engine.isResting(); ++b)
        silenced.render (block, {}, block), released.render (block, {}, block);
    ASSERT_TRUE (released.engine.isResting());
    for (auto* rig : { &silenced, &released })
        rig->render (block, { noteOn (69, 0.8f, 0) }, block);
    EXPECT_TRUE (sameBits (silenced.engine.modulator->phase, released.engine.modulator->phase));
    EXPECT_NEAR (silenced.at (cv)[2 * block - 1], 69.0f / 12.0f - 2.0f, 0.002f);
}

TEST (EngineRest, AGlideAfterSilenceStartsWhereTheLastNoteLeftThePitch)
{
    // With a glide time set, the note after a silence glides from the last
    // note's pitch, as on an engine that released it instead, not from below.
    Rig silenced, released;
    const int cv = silenced.tap (silenced.engine.control, "CV out");
    const int otherCv = released.tap (released.engine.control, "CV out");
    for (auto* rig : { &silenced, &released })
    {
        rig->set (QmParam::paramsGlidePoly, 0.5f);
        rig->render (20 * block, { noteOn (69, 0.8f, 0) }, block);
    }

    silenced.engine.silence();
    silenced.render (block, {}, block);
    released.render (block, { noteOff (69, 0) }, block);

    for (auto* rig : { &silenced, &released })
        rig->render (block, { noteOn (81, 0.8f, 0) }, block);

    for (const int i : { 0, block / 2, 2 * block - 1 })
        EXPECT_NEAR (silenced.at (cv)[(size_t) i], released.at (otherCv)[(size_t) i], 0.002f) << i;
    EXPECT_LT (silenced.at (cv)[0], 81.0f / 12.0f - 1.5f);
}
