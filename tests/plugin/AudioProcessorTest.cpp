#include "KorvixAudioProcessor.h"
#include "MallocCount.h"
#include "QmControlModule.h"
#include "QmHumNoiseSource.h"
#include "QmMidiMapper.h"
#include "QmParameter.h"
#include "QmProcessContext.h"
#include "QmRandom.h"
#include "QmSynthEngine.h"
#include "QmTestModule.h"
#include "engine/OscillatorSpectrum.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstring>
#include <map>
#include <thread>

namespace
{
    using Message = juce::MidiMessage;

    struct FakePlayHead : public juce::AudioPlayHead
    {
        juce::Optional<PositionInfo> getPosition() const override { return position; }
        juce::Optional<PositionInfo> position;
    };

    juce::MidiBuffer midiOf (std::initializer_list<std::pair<Message, int>> messages)
    {
        juce::MidiBuffer midi;
        for (const auto& [message, position] : messages)
            midi.addEvent (message, position);
        return midi;
    }
}

class AudioProcessorTest : public ::testing::Test
{
protected:
    AudioProcessorTest()  { processor->setRateAndBufferSizeDetails (44100.0, 512); }

    /** Renders into a buffer filled with 7s; returns the left channel's peak. */
    float process (int numSamples, juce::MidiBuffer midi = {}, int numChannels = 2)
    {
        buffer.setSize (numChannels, numSamples);
        for (int c = 0; c < numChannels; ++c)
            juce::FloatVectorOperations::fill (buffer.getWritePointer (c), 7.0f, numSamples);
        processor->processBlock (buffer, midi);
        return buffer.getMagnitude (0, 0, numSamples);
    }

    QmSynthEngine& engine() { return *processor->getEngine(); }

    juce::ScopedJuceInitialiser_GUI gui;
    std::unique_ptr<KorvixAudioProcessor> processor = std::make_unique<KorvixAudioProcessor>();
    juce::AudioBuffer<float> buffer;
};

TEST_F (AudioProcessorTest, BadIndicesMissingChannelsAndHostRate)
{
    processor->setParameter (QmParam::count, 0.5f);
    processor->setParameter (-1, 0.5f);
    EXPECT_EQ (std::pair (processor->getParameter (QmParam::count), processor->getParameterName (-1)), std::pair (0.0f, juce::String()));

    // One channel only: cleared, nothing rendered.
    auto& context = *engine().context;
    const auto tick = context.tick;
    EXPECT_EQ (process (32, {}, 1), 0.0f);
    EXPECT_EQ (context.tick, tick);

    // No samples: nothing rendered, the bypassed path included, and the
    // MIDI left to go out as it came.
    auto midi = midiOf ({ { Message::noteOn (1, 60, 1.0f), 0 } });
    buffer.setSize (2, 0);
    processor->processBlock (buffer, midi);
    processor->processBlockBypassed (buffer, midi);
    EXPECT_EQ (context.tick, tick);
    EXPECT_EQ (midi.getNumEvents(), 1);

    // Asked to, such a block fills the buffer for the fullest block: three
    // bytes an event, all at its start.
    KorvixAudioProcessor::setFillsEmptyBlocks (true);
    processor->processBlockBypassed (buffer, midi);
    KorvixAudioProcessor::setFillsEmptyBlocks (false);
    int filled = 0;
    for (const auto metadata : midi)
        filled += metadata.numBytes == 3 && metadata.samplePosition == 0 && metadata.getMessage().isAftertouch() ? 1 : 0;
    EXPECT_EQ (std::tuple (filled, midi.getNumEvents(), context.tick), std::tuple (KorvixAudioProcessor::maxEventsPerBlock, filled, tick));

    // The engine runs at twice the host rate; an unusable tempo reads as 120;
    // an unusable rate changes neither rate nor tempo.
    FakePlayHead head;
    processor->setPlayHead (&head);
    testing::internal::CaptureStdout();

    for (auto [rate, bpm, playing, engineRate, tempo] : { std::tuple { 48000.0, 90.0, false, 96000.0f, 90.0f }, { 44100.0, (double) NAN, true, 88200.0f, 120.0f },
                                                          { 0.5, 140.0, true, 88200.0f, 120.0f }, { (double) NAN, 140.0, true, 88200.0f, 120.0f },
                                                          { 1.0e12, 140.0, true, 88200.0f, 120.0f } })
    {
        head.position = juce::AudioPlayHead::PositionInfo();
        head.position->setBpm (bpm);
        head.position->setIsPlaying (playing);
        processor->setRateAndBufferSizeDetails (rate, 512);
        process (16);
        EXPECT_EQ (std::tuple (context.sampleRate, (float) context.humNoise->rate, context.tempo, context.playing != 0),
                   std::tuple (engineRate, engineRate, tempo, playing)) << rate;
    }

    // The audio thread prints nothing; the latest rate is printed off it (here
    // by the destructor's flush), on a line of its own in the host's log.
    EXPECT_EQ (testing::internal::GetCapturedStdout(), "");
    testing::internal::CaptureStdout();
    processor.reset();
    EXPECT_EQ (testing::internal::GetCapturedStdout(), "sample rate updated to 88200\n");
}

TEST_F (AudioProcessorTest, EveryEventAndEverySampleOfLongBlocksIsRenderedAndFullListsMergeControllersKeepingEveryNote)
{
    QmTestModule probe (engine().context);     // the control module's gate in the engine's last call
    engine().control->gateOut->connect (probe.input1);
    const auto gate = [&probe] (int i) { return probe.input1->getSignal()->buffer[i]; };
    const auto passes = [this] (int numSamples, juce::MidiBuffer midi)
    {
        const auto before = engine().context->tick;
        process (numSamples, std::move (midi));
        return engine().context->tick - before;
    };

    // Short blocks switch the gate at the event's (doubled) sample.
    EXPECT_EQ (passes (64, midiOf ({ { Message::noteOn (1, 60, 1.0f), 10 } })), 1);
    EXPECT_EQ (std::tuple (gate (19), gate (20), gate (21)), std::tuple (0.0f, 2.0f, 1.0f));

    // Up to 4096 samples in one call, longer in chunks of 512 and the rest,
    // however short: a note-off (velocity 0) on the last sample is not lost.
    EXPECT_EQ (passes (4096, {}), 1);
    EXPECT_EQ (passes (4097, midiOf ({ { Message::noteOn (2, 60, (juce::uint8) 0), 4096 } })), 9);
    EXPECT_EQ (std::tuple (gate (0), gate (1)), std::tuple (0.0f, 0.0f));

    // An event placed past the end lands on the last sample.
    EXPECT_EQ (passes (5000, midiOf ({ { Message::noteOn (1, 60, 1.0f), 6000 } })), 10);
    EXPECT_EQ (std::tuple (gate (781), gate (782)), std::tuple (0.0f, 2.0f));

    // A flood of controllers beyond the list's room drops no note-off.
    juce::MidiBuffer flood;
    for (int i = 0; i < 4100; ++i)
        flood.addEvent (Message::controllerEvent (1, 74, i % 128), i / 10);
    flood.addEvent (Message::noteOff (1, 60), 500);
    process (512, flood);
    EXPECT_EQ (std::pair (gate (998), gate (1020)), std::pair (1.0f, 0.0f));

    // A full list (of 8 here): notes between floods of two controllers and
    // the pitch wheel.
    std::vector<QmMidiEvent> events;
    events.reserve (8);
    const auto add = [&events] (int type, int number, float value, int on)
        { KorvixAudioProcessor::addEvent (events, { type, type == 0 ? number : 0, (uint8_t) on, 0, value, type == 0 ? -1 : number }); };

    for (int i = 0; i < 1000; ++i)
    {
        if (i % 250 == 0)
            add (0, 60 + i / 250, 1.0f, i % 500 == 0 ? 1 : 0);
        add (1, 7 + i % 2, (float) i, 0);
        add (2, -1, (float) -i, 0);
    }

    // Every note in order; the last value of each controller and of the wheel.
    std::vector<std::pair<int, int>> notes;
    std::map<int, float> last;
    for (const auto& e : events)
        if (e.type == 0)
            notes.emplace_back (e.note, e.gate);
        else
            last[e.type == 2 ? -1 : e.controller] = e.value;

    EXPECT_EQ (notes, (std::vector<std::pair<int, int>> { { 60, 1 }, { 61, 0 }, { 62, 1 }, { 63, 0 } }));
    EXPECT_EQ (last, (std::map<int, float> { { -1, -999.0f }, { 7, 998.0f }, { 8, 999.0f } }));
    EXPECT_EQ (events.capacity(), 8u);

    // A list of nothing but notes: a note-off takes the latest note-on's place.
    events.clear();
    for (int i = 0; i < 8; ++i)
        add (0, 40 + i, 1.0f, i < 6 ? 1 : 0);
    add (0, 70, 1.0f, 1);
    add (0, 40, 1.0f, 0);
    EXPECT_EQ (std::tuple (events.size(), events[5].note, (int) events[5].gate, events[7].note, (int) events[7].gate), std::tuple (8u, 46, 0, 40, 0));
}

TEST_F (AudioProcessorTest, InitSetsTheDefaultsAndRandomizeKeepsTheLevel)
{
    // Init: choices to their first option, the rest to their defaults.
    const auto initial = [] (QmParameter* p) { return p->steps > 0 ? 0.0f : juce::jlimit (0.0f, 1.0f, p->defaultValue); };
    for (int i = 0; i < QmParam::count; ++i)
        processor->setParameter (i, 0.37f);
    processor->runCommand (1);
    for (auto* parameter : engine().parameters)
        EXPECT_EQ (parameter->value, initial (parameter)) << parameter->name;

    processor->setParameter (QmParam::ampAmount, 0.42f);
    processor->runCommand (2);
    int changed = 0;
    for (auto* parameter : engine().parameters)
        changed += parameter->value != initial (parameter) ? 1 : 0;
    EXPECT_EQ (processor->getParameter (QmParam::ampAmount), 0.42f);
    EXPECT_GT (changed, 20);
}

TEST_F (AudioProcessorTest, ControllersFollowTheMapFileAndLearnWithoutAllocating)
{
    // The processor makes the mapper, which reads its file, when constructed:
    // never the audio thread. The file is gone by the first block.
    processor.reset();
    delete QmMidiMapper::getInstance();
    QmMidiMapper::getMapFile().replaceWithText ("<midimapper><dict><key param=\"7\">74</key></dict></midimapper>");
    processor = std::make_unique<KorvixAudioProcessor>();
    QmMidiMapper::getMapFile().deleteFile();

    auto* mapper = QmMidiMapper::getInstance();
    QmMidiComponent widget;
    widget.parameterIndex = 9;
    mapper->registerComponent (&widget);
    mapper->setLearnTarget (9);
    processor->setParameter (7, 0.0f);
    processor->setParameter (9, 0.0f);

    auto midi = midiOf ({ { Message::noteOn (1, 60, 0.8f), 3 }, { Message::controllerEvent (4, 74, 127), 5 }, { Message::pitchWheel (1, 9000), 7 },
                                { Message::noteOff (1, 60), 400 }, { Message::controllerEvent (1, 21, 127), 4400 }, { Message::noteOn (1, 64, 0.5f), 4500 } });

    // Bound by the file, controller 74 drives parameter 7; in learn mode
    // controllers bind to the target and set nothing.
    // Blocks longer than the engine takes in one call too.
    for (auto [learning, numSamples] : { std::pair { false, 512 }, { false, 5000 }, { true, 5000 } })
    {
        mapper->setLearnMode (learning);
        process (numSamples, midi);     // whatever is made once is made now
        EXPECT_EQ (mallocsIn ([&] { processor->processBlock (buffer, midi); }), 0) << numSamples << learning;
        EXPECT_EQ (std::pair (processor->getParameter (7), processor->getParameter (9)), std::pair (1.0f, 0.0f));
    }

    mapper->setLearnMode (false);
    process (32, midiOf ({ { Message::controllerEvent (1, 21, 127), 0 } }));
    EXPECT_EQ (std::pair (widget.controller, processor->getParameter (9)), std::pair (21, 1.0f));
    mapper->unregisterComponent (&widget);

    int* volatile counted = nullptr;
    EXPECT_EQ (mallocsIn ([&] { counted = new int (1); }), VORLAN_COUNTS_MALLOC);   // the counter works where it counts
    delete counted;
}

TEST_F (AudioProcessorTest, OutputNeverPassesEightAndIsUntouchedWithinFour)
{
    float samples[] = { 0.0f, 3.9999998f, -4.0f, 4.0f, -1.0e-30f, 6.0f, 40.0f, -210.0f, INFINITY, -INFINITY, NAN };
    const std::vector<float> given (std::begin (samples), std::end (samples));
    KorvixAudioProcessor::limitOutput (samples, (int) given.size());

    EXPECT_EQ (std::memcmp (samples, given.data(), 5 * sizeof (float)), 0);
    EXPECT_GT (samples[5], 5.5f);
    EXPECT_LT (samples[5], samples[6]);
    EXPECT_LE (samples[6], 8.0f);
    EXPECT_GE (samples[7], -8.0f);
    EXPECT_EQ (std::tuple (samples[8], samples[9], samples[10]), std::tuple (8.0f, -8.0f, 0.0f));

    // "Amp" and "Amp mod" at 1 with the noise or the sine VCO modulator ran
    // away to peaks of 50 and more.
    for (float wave : { 0.6f, 0.8f })
    {
        for (auto [index, value] : { std::pair { QmParam::modulatorWave, wave }, { QmParam::ampAmount, 1.0f }, { QmParam::ampAmpMod, 1.0f }, { QmParam::envS, 1.0f } })
            processor->setParameter (index, value);

        float peak = 0.0f;
        process (512, midiOf ({ { Message::noteOn (1, 48, 1.0f), 0 } }));
        for (int block = 0; block < 40; ++block)
            peak = std::max (peak, process (512));

        EXPECT_GT (peak, 4.0f) << wave;
        EXPECT_LE (peak, 8.0f) << wave;
        process (512, midiOf ({ { Message::noteOff (1, 48), 0 } }));
    }
}

TEST_F (AudioProcessorTest, HostThreadsChunksAndLearnedControllersRunAtOnce)
{
    // Run under ThreadSanitizer too: the host sets parameters and saves chunks
    // on one thread and restores them on another while blocks play a learned
    // controller. Every chunk saved meanwhile is whole.
    auto* mapper = QmMidiMapper::getInstance();
    QmMidiComponent widget;
    widget.parameterIndex = QmParam::lpfType;
    mapper->registerComponent (&widget);
    mapper->assignController (20, QmParam::lpfType);

    juce::MemoryBlock chunk;
    processor->getStateInformation (chunk);
    std::atomic<bool> running { true };
    std::atomic<int> unreadable { 0 };

    std::thread host ([this, &running, &unreadable]
    {
        for (int i = 0; running; ++i)
        {
            processor->setParameter (i % QmParam::count, (float) (i % 7) / 6.0f);

            juce::MemoryBlock saved;
            processor->getStateInformation (saved);
            unreadable += juce::parseXML (saved.toString()) == nullptr ? 1 : 0;
        }
    });

    std::thread state ([this, &running, &chunk] { while (running) processor->setStateInformation (chunk.getData(), (int) chunk.getSize()); });

    for (int block = 0; block < 100; ++block)
        process (256, midiOf ({ { Message::noteOn (1, 48 + block % 12, 1.0f), 0 }, { Message::controllerEvent (1, 20, block % 128), 10 } }));

    running = false;
    host.join();
    state.join();
    mapper->assignController (-1, QmParam::lpfType);
    mapper->unregisterComponent (&widget);
    EXPECT_EQ (unreadable.load(), 0);
}

TEST_F (AudioProcessorTest, AfterABypassOnlyWhatAnEngineThatPlayedOnWouldSoundSounds)
{
    // A note held as the bypass begins and released during it, against a
    // processor that played through and heard the release as the bypass
    // began: after a short bypass the release goes on where that one's is,
    // after a long one it is over.
    struct Played
    {
        Played() { p.setRateAndBufferSizeDetails (44100.0, 512); }

        float block (juce::MidiBuffer midi = {}, bool bypassed = false)
        {
            b.clear();
            bypassed ? p.processBlockBypassed (b, midi) : p.processBlock (b, midi);
            return b.getMagnitude (0, 0, b.getNumSamples());
        }

        KorvixAudioProcessor p;
        juce::AudioBuffer<float> b { 2, 512 };
    };

    for (int bypassBlocks : { 6, 370 })     // 70 ms, 4.3 s
    {
        Played bypassed, through;
        for (auto* played : { &bypassed, &through })
        {
            played->block (midiOf ({ { Message::noteOn (1, 69, 0.8f), 0 } }));
            for (int b = 0; b < 20; ++b)
                played->block();
        }

        through.block (midiOf ({ { Message::noteOff (1, 69), 0 } }));
        for (int b = 0; b < bypassBlocks; ++b)
        {
            if (b > 0)
                through.block();
            EXPECT_EQ (bypassed.block (b == 2 ? midiOf ({ { Message::noteOff (1, 69), 100 } }) : juce::MidiBuffer(), true), 0.0f);
        }

        for (int b = 0; b < 20; ++b)
        {
            const float expected = through.block();
            EXPECT_NEAR (bypassed.block(), expected, 0.05f * expected + 1.0e-6f) << bypassBlocks << " blocks of bypass, then " << b;
        }
    }
}

TEST_F (AudioProcessorTest, ResetAllControllersOnAnyChannelCentresThePitchWheel)
{
    // A4 plays 220 Hz, an octave lower after a full bend down, and 220 Hz
    // again after Reset All Controllers, on whatever channel it comes.
    processor->setParameter (QmParam::envS, 1.0f);
    const auto pitchAfter = [this] (juce::MidiBuffer midi)
    {
        process (512, std::move (midi));
        for (int b = 0; b < 10; ++b)
            process (512);

        process (512, midiOf ({ { Message::noteOn (1, 69, 0.8f), 0 } }));
        std::vector<float> played;
        for (int b = 0; b < 64; ++b)
        {
            process (512);
            played.insert (played.end(), buffer.getReadPointer (0), buffer.getReadPointer (0) + 512);
        }

        process (512, midiOf ({ { Message::noteOff (1, 69), 0 } }));
        return oscspectrum::peakFrequency (played, 44100.0);
    };

    EXPECT_NEAR (pitchAfter ({}), 220.0, 2.0);
    EXPECT_NEAR (pitchAfter (midiOf ({ { Message::pitchWheel (3, 0), 0 } })), 110.0, 2.0);
    EXPECT_NEAR (pitchAfter (midiOf ({ { Message::controllerEvent (16, QmMidiEvent::resetAllControllers, 0), 0 } })), 220.0, 2.0);
}

TEST_F (AudioProcessorTest, AResumeStartsQuietAndTheNextNoteSoundsAsOnAnInstanceWhoseNoteWasReleasedLongBefore)
{
    // Blocks with a note from the first, held or released in the second,
    // then the host's suspend and resume, with the block of no samples the
    // VST entry sizes its buffers with. Every stage of the sound runs, the
    // high-pass and colouring too.
    const auto playThenResume = [] (KorvixAudioProcessor& p, int blocks, bool held)
    {
        p.setParameter (QmParam::hpfCutoff, 0.2f);
        p.setParameter (QmParam::paramsSpreadAuto, 1.0f);
        juce::AudioBuffer<float> b (2, 512);
        for (int i = 0; i < blocks; ++i)
        {
            auto midi = i == 0 ? midiOf ({ { Message::noteOn (1, 57, 0.9f), 0 } })
                      : i == 1 && ! held ? midiOf ({ { Message::noteOff (1, 57), 0 } }) : juce::MidiBuffer();
            p.processBlock (b, midi);
        }

        p.releaseResources();
        p.prepareToPlay (44100.0, 512);
        b.setSize (2, 0);
        juce::MidiBuffer sized;
        KorvixAudioProcessor::setFillsEmptyBlocks (true);
        p.processBlock (b, sized);
        KorvixAudioProcessor::setFillsEmptyBlocks (false);
    };

    // Nothing of the note is heard after the resume, however short the
    // suspend; the first block, which silences the engine, allocates nothing.
    playThenResume (*processor, 20, true);
    buffer.setSize (2, 512);
    float peak = -1.0f;
    EXPECT_EQ (mallocsIn ([&] { peak = process (512); }), 0);
    for (int b = 0; b < 20; ++b)
        peak = std::max (peak, process (512));
    EXPECT_EQ (peak, 0.0f);

    // A note from the first block after the resume sounds as on an instance
    // whose note was released long before, resumed alike: to the bit, so
    // nothing of what sounded before is left (both draw the same random
    // numbers); the pitch starts where that note left it on both.
    const auto played = [] (KorvixAudioProcessor& p)
    {
        std::vector<float> out;
        juce::AudioBuffer<float> b (2, 512);
        qmSrand (7);
        for (int i = 0; i < 60; ++i)
        {
            auto midi = i == 0 ? midiOf ({ { Message::noteOn (1, 64, 0.7f), 0 } }) : i == 40 ? midiOf ({ { Message::noteOff (1, 64), 0 } }) : juce::MidiBuffer();
            p.processBlock (b, midi);
            out.insert (out.end(), b.getReadPointer (0), b.getReadPointer (0) + 512);
        }
        return out;
    };

    KorvixAudioProcessor quiet;
    quiet.setRateAndBufferSizeDetails (44100.0, 512);
    playThenResume (quiet, 40, false);
    playThenResume (*processor, 2, true);
    const auto resumed = played (*processor), fresh = played (quiet);
    EXPECT_GT (*std::max_element (fresh.begin(), fresh.end()), 0.05f);
    EXPECT_EQ (std::memcmp (resumed.data(), fresh.data(), fresh.size() * sizeof (float)), 0);
}
