#include "KorvixAudioProcessor.h"
#include "QmControlModule.h"
#include "QmHumNoiseSource.h"
#include "QmMidiMapper.h"
#include "QmParameter.h"
#include "QmProcessContext.h"
#include "QmSynthEngine.h"
#include "QmTestModule.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <new>
#include <thread>

// Counts the allocations of the test thread while armed.
namespace
{
    thread_local bool countAllocations = false;
    thread_local int allocationCount = 0;
}

void* operator new (std::size_t size)
{
    allocationCount += countAllocations ? 1 : 0;

    if (void* p = std::malloc (size > 0 ? size : 1))
        return p;

    throw std::bad_alloc();
}

void operator delete (void* p) noexcept                 { std::free (p); }
void operator delete (void* p, std::size_t) noexcept    { std::free (p); }

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

    void process (int numSamples, juce::MidiBuffer midi = {}, int numChannels = 2)
    {
        buffer.setSize (numChannels, numSamples);
        for (int c = 0; c < numChannels; ++c)
            juce::FloatVectorOperations::fill (buffer.getWritePointer (c), 7.0f, numSamples);
        processor->processBlock (buffer, midi);
    }

    QmSynthEngine& engine() { return *processor->getEngine(); }

    /** The control module's gate output after the last block, in engine samples. */
    float gate (int i) { return probe->input1->getSignal()->buffer[i]; }

    void listenToGate()
    {
        probe = std::make_unique<QmTestModule> (engine().context);
        engine().control->gateOut->connect (probe->input1);
    }

    juce::ScopedJuceInitialiser_GUI gui;
    std::unique_ptr<KorvixAudioProcessor> processor = std::make_unique<KorvixAudioProcessor>();
    std::unique_ptr<QmTestModule> probe;
    juce::AudioBuffer<float> buffer;
};

TEST_F (AudioProcessorTest, AnswersAsAStereoInstrumentAndIgnoresBadIndices)
{
    auto& p = *processor;
    EXPECT_EQ (p.getName(), "Vorlan");
    EXPECT_EQ (p.getTotalNumInputChannels(), 0);
    EXPECT_EQ (p.getTotalNumOutputChannels(), 2);
    EXPECT_FALSE (p.hasEditor());
    EXPECT_EQ (p.getPluginVersion(), "1.0.0");

    juce::AudioProcessor::BusesLayout layout;
    layout.outputBuses.add (juce::AudioChannelSet::stereo());
    EXPECT_TRUE (p.isBusesLayoutSupported (layout));
    layout.outputBuses.getReference (0) = juce::AudioChannelSet::mono();
    EXPECT_FALSE (p.isBusesLayoutSupported (layout));
    layout.outputBuses.getReference (0) = juce::AudioChannelSet::stereo();
    layout.inputBuses.add (juce::AudioChannelSet::stereo());
    EXPECT_FALSE (p.isBusesLayoutSupported (layout));

    // Without a factory bank nothing is loaded and no preset is current.
    EXPECT_FALSE (p.getProperties().contains ("currentPreset"));

    // Indices beyond the table are ignored rather than followed.
    p.setParameter (44, 0.5f);
    p.setParameter (-1, 0.5f);
    EXPECT_EQ (p.getParameter (44), 0.0f);
    EXPECT_EQ (p.getParameterName (-1), "");
    EXPECT_EQ (p.getParameterName (3), juce::String (engine().parameters[3]->name));
}

TEST_F (AudioProcessorTest, MidiMessagesBecomeEngineEvents)
{
    QmMidiEvent e;
    const auto convert = [&e] (const Message& m)
    {
        return KorvixAudioProcessor::toEngineEvent (m.getRawData(), m.getRawDataSize(), 3, e);
    };

    ASSERT_TRUE (convert (Message::noteOn (2, 61, (juce::uint8) 64)));
    EXPECT_EQ (std::tuple (e.type, e.note, (int) e.gate, e.position, e.controller, e.spare), std::tuple (0, 61, 1, 3, -1, -1));
    EXPECT_EQ (e.value, 64.0f / 127.0f);

    // Velocity 0 is a note off; a note off's value is 1 whatever its velocity.
    ASSERT_TRUE (convert (Message::noteOn (1, 40, (juce::uint8) 0)));
    EXPECT_EQ (std::tuple ((int) e.gate, e.note, e.value), std::tuple (0, 40, 1.0f));
    ASSERT_TRUE (convert (Message::noteOff (16, 41, (juce::uint8) 90)));
    EXPECT_EQ (std::tuple ((int) e.gate, e.value), std::tuple (0, 1.0f));

    ASSERT_TRUE (convert (Message::controllerEvent (9, 74, 1)));
    EXPECT_EQ (std::tuple (e.type, e.controller, e.value), std::tuple (1, 74, (float) (1 / 127.0)));

    ASSERT_TRUE (convert (Message::pitchWheel (1, 8192)));
    EXPECT_EQ (std::tuple (e.type, e.controller, e.value), std::tuple (2, -1, (float) (8192 / 16383.0)));

    EXPECT_FALSE (convert (Message::programChange (1, 5)));
    EXPECT_FALSE (convert (Message::aftertouchChange (1, 60, 30)));
    EXPECT_FALSE (convert (Message::channelPressureChange (1, 30)));
}

TEST_F (AudioProcessorTest, EveryEventAndEverySampleOfLongBlocksIsRendered)
{
    listenToGate();
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
    // however short: a note-off on the last sample is not lost.
    EXPECT_EQ (passes (4096, {}), 1);
    EXPECT_EQ (passes (4097, midiOf ({ { Message::noteOff (1, 60), 4096 } })), 9);
    EXPECT_EQ (std::tuple (gate (0), gate (1)), std::tuple (0.0f, 0.0f));

    // An event placed past the end lands on the last sample.
    EXPECT_EQ (passes (5000, midiOf ({ { Message::noteOn (1, 60, 1.0f), 6000 } })), 10);
    EXPECT_EQ (std::tuple (gate (781), gate (782)), std::tuple (0.0f, 2.0f));
}

TEST_F (AudioProcessorTest, MeterBypassAndMissingChannels)
{
    const float loud[] = { 0.5f, 8.0f, -1.0f }, negative[] = { 0.1f, -3.0f }, silent[] = { 0.0f };
    float peak = KorvixAudioProcessor::nextPeakLevel (0.0f, loud, 3);
    EXPECT_EQ (peak, 5.0f);
    peak = KorvixAudioProcessor::nextPeakLevel (peak, silent, 1);
    EXPECT_EQ (peak, 4.75f);
    EXPECT_NEAR (KorvixAudioProcessor::nextPeakLevel (peak, silent, 1), 4.5125f, 1.0e-6f);
    EXPECT_EQ (KorvixAudioProcessor::nextPeakLevel (1.0f, negative, 2), 3.0f);

    // One channel only: cleared, nothing rendered, the meter kept.
    processor->peakLevel = 2.0f;
    const auto tick = engine().context->tick;
    process (32, {}, 1);
    EXPECT_EQ (buffer.getMagnitude (0, 0, 32), 0.0f);
    EXPECT_EQ (engine().context->tick, tick);
    EXPECT_EQ (processor->peakLevel, 2.0f);

    // Bypassed, the instrument is silent rather than passing the buffer on.
    process (16);
    buffer.setSample (1, 5, 0.7f);
    juce::MidiBuffer none;
    processor->processBlockBypassed (buffer, none);
    EXPECT_EQ (buffer.getMagnitude (0, 16), 0.0f);
}

TEST_F (AudioProcessorTest, HostRateAndTempoReachTheContext)
{
    FakePlayHead head;
    processor->setPlayHead (&head);
    auto& context = *engine().context;
    juce::AudioPlayHead::PositionInfo info;
    const auto blockAt = [&] (double rate, double bpm, bool playing)
    {
        info.setBpm (bpm);
        info.setIsPlaying (playing);
        head.position = info;
        processor->setRateAndBufferSizeDetails (rate, 512);
        process (16);
    };

    testing::internal::CaptureStdout();
    blockAt (44100.0, 0.0, true);
    EXPECT_EQ (testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ (std::tuple (context.sampleRate, context.tempo, (int) context.playing), std::tuple (88200.0f, 120.0f, 1));

    testing::internal::CaptureStdout();
    blockAt (48000.0, 90.0, false);
    blockAt (48000.0, 90.0, false);
    EXPECT_EQ (testing::internal::GetCapturedStdout(), "sample rate updated to 96000");
    EXPECT_EQ (std::tuple (context.sampleRate, context.humNoise->rate, context.tempo, (int) context.playing),
               std::tuple (96000.0f, 96000, 90.0f, 0));

    testing::internal::CaptureStdout();
    blockAt (44100.7, std::nan (""), false);
    testing::internal::GetCapturedStdout();
    EXPECT_EQ (std::tuple (context.sampleRate, context.tempo), std::tuple (88200.0f, 120.0f));

    // Rates below 1 Hz, or that are no usable number, change neither rate nor tempo.
    for (double rate : { 0.5, (double) NAN, 1.0e12 })
    {
        blockAt (rate, 140.0, true);
        EXPECT_EQ (std::tuple (context.sampleRate, context.tempo), std::tuple (88200.0f, 120.0f)) << rate;
    }

    processor->setPlayHead (nullptr);
}

TEST_F (AudioProcessorTest, InitAndRandomize)
{
    auto& p = *processor;
    for (int i = 0; i < 44; ++i)
        p.setParameter (i, 0.37f);

    p.runCommand (1);
    std::vector<float> defaults;

    for (int i = 0; i < 44; ++i)
    {
        const auto& param = *engine().parameters[i];
        EXPECT_EQ (param.value, param.steps > 0 ? 0.0f : juce::jlimit (0.0f, 1.0f, param.defaultValue)) << i;
        defaults.push_back (param.value);
    }

    p.setParameter (29, 0.42f);
    p.runCommand (2);
    int changed = 0;

    for (int i = 0; i < 44; ++i)
    {
        const float v = p.getParameter (i);
        EXPECT_TRUE (v >= 0.0f && v <= 1.0f) << i;
        changed += v != defaults[(size_t) i] ? 1 : 0;

        if (engine().parameters[i]->steps == 0 && i != 29)
            EXPECT_NEAR (v * 1000.0f, std::round (v * 1000.0f), 1.0e-2f) << i;   // thousandths
    }

    EXPECT_EQ (p.getParameter (29), 0.42f);
    EXPECT_GT (changed, 20);

    const auto randomised = p.getParameter (0);
    p.runCommand (3);
    EXPECT_EQ (p.getParameter (0), randomised);
}

TEST_F (AudioProcessorTest, ControllersFollowTheMapFileAndLearn)
{
    // The processor makes the mapper, which reads its file, when constructed:
    // never the audio thread. The file is gone by the first block.
    processor.reset();
    delete QmMidiMapper::getInstance();
    QmMidiMapper::getMapFile().replaceWithText ("<midimapper><dict><key param=\"7\">74</key>"
                                                "<key param=\"60\">75</key></dict></midimapper>");
    processor = std::make_unique<KorvixAudioProcessor>();
    QmMidiMapper::getMapFile().deleteFile();

    processor->setParameter (7, 0.0f);
    process (32, midiOf ({ { Message::controllerEvent (4, 74, 127), 3 }, { Message::controllerEvent (1, 75, 64), 4 } }));
    EXPECT_EQ (processor->getParameter (7), 1.0f);

    // In learn mode a controller binds to the target and sets nothing.
    auto* mapper = QmMidiMapper::getInstance();
    QmMidiComponent widget;
    widget.parameterIndex = 9;
    mapper->registerComponent (&widget);
    mapper->setLearnMode (true);
    mapper->setLearnTarget (9);
    processor->setParameter (9, 0.0f);

    process (32, midiOf ({ { Message::controllerEvent (1, 21, 127), 0 } }));
    EXPECT_EQ (processor->getParameter (9), 0.0f);
    EXPECT_EQ (widget.controller, 21);

    mapper->setLearnMode (false);
    process (32, midiOf ({ { Message::controllerEvent (1, 21, 127), 0 } }));
    EXPECT_EQ (processor->getParameter (9), 1.0f);
    mapper->unregisterComponent (&widget);
}

TEST_F (AudioProcessorTest, RenderingNeverAllocates)
{
    countAllocations = true;
    ::operator delete (::operator new (16));
    countAllocations = false;
    ASSERT_EQ (allocationCount, 1);     // the counter works

    auto* mapper = QmMidiMapper::getInstance();
    QmMidiComponent widget;
    widget.parameterIndex = 12;
    mapper->registerComponent (&widget);
    mapper->setLearnTarget (12);

    const auto midi = midiOf ({ { Message::noteOn (1, 60, 0.8f), 3 }, { Message::controllerEvent (1, 74, 100), 5 },
                                { Message::pitchWheel (1, 9000), 7 }, { Message::noteOff (1, 60), 400 },
                                { Message::noteOn (1, 64, 0.5f), 4500 } });

    for (bool learning : { false, true })
    {
        mapper->setLearnMode (learning);

        for (int numSamples : { 512, 5000 })
        {
            process (numSamples, midi);     // whatever is made once is made now
            allocationCount = 0;
            countAllocations = true;
            processor->processBlock (buffer, const_cast<juce::MidiBuffer&> (midi));
            countAllocations = false;
            EXPECT_EQ (allocationCount, 0) << numSamples << learning;
        }
    }

    EXPECT_EQ (mapper->getParameterForController (74), 12);
    mapper->setLearnMode (false);
    mapper->setLearnTarget (-1);
    mapper->unregisterComponent (&widget);
}

TEST_F (AudioProcessorTest, StateMovesToAnotherProcessorFromAnyThread)
{
    for (int i = 0; i < 44; ++i)
        processor->setParameter (i, (float) ((i * 53) % 100) / 100.0f);

    juce::MemoryBlock chunk;
    processor->getStateInformation (chunk);
    KorvixAudioProcessor other;

    // The host restores on its own thread while the message thread saves;
    // both go through the bank manager's lock.
    std::thread host ([&other, &chunk]
    {
        for (int i = 0; i < 100; ++i)
            other.setStateInformation (chunk.getData(), (int) chunk.getSize());
    });

    for (int i = 0; i < 100; ++i)
    {
        juce::MemoryBlock state;
        other.getStateInformation (state);
        EXPECT_NE (juce::parseXML (state.toString()), nullptr);
    }

    host.join();

    for (int i = 0; i < 44; ++i)
        EXPECT_NEAR (other.getParameter (i), processor->getParameter (i), 1.0e-6f) << i;
}
