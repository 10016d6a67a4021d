#include "KorvixAudioProcessor.h"

#include "QmAudioOutModule.h"
#include "QmBankManager.h"
#include "QmCache.h"
#include "QmDiagnostics.h"
#include "QmGraphEvent.h"
#include "QmHumNoiseSource.h"
#include "QmMidiMapper.h"
#include "QmParameter.h"
#include "QmProcessContext.h"
#include "QmRandom.h"
#include "QmSynthEngine.h"

#include <algorithm>
#include <cmath>

namespace
{
    /** Host rates whose doubled whole part an int holds comfortably. */
    constexpr double maxHostSampleRate = 1.0e6;

    /** Tempos beyond any music, and beyond what a float holds. */
    constexpr double maxHostTempo = 1.0e9;

    std::atomic<KorvixAudioProcessor::EditorFactory> editorFactory { nullptr };
    std::atomic<void (*)()> editorPreparation { nullptr };

    /** Set while this thread runs a block that sizes the caller's MIDI buffers. */
    thread_local bool fillingEmptyBlocks = false;

    /** Releases every held note at the block's start. */
    QmMidiEvent allNotesOff() noexcept
    {
        QmMidiEvent event;
        event.type = QmMidiEvent::typeController;
        event.controller = QmMidiEvent::allNotesOff;
        return event;
    }
}

KorvixAudioProcessor::KorvixAudioProcessor()
    : juce::AudioProcessor (BusesProperties().withOutput ("Output", juce::AudioChannelSet::stereo(), true))
{
    // Reserved once: processBlock never grows them.
    blockEvents.reserve (maxEventsPerBlock);
    chunkEvents.reserve (maxEventsPerBlock);

    if (const auto prepareEditor = editorPreparation.load())
        prepareEditor();

    QmCache::getInstance();
    engine = std::make_unique<QmSynthEngine>();

    // The mapper reads its file and starts a timer, so it is made here, on
    // the message thread, and never by the first audio block.
    engine->setMidiLearnHandler (QmMidiMapper::getInstance());

    bankManager = std::make_unique<QmBankManager> (this);
    bankManager->loadStartupPreset();

    startTimer (500);
}

KorvixAudioProcessor::~KorvixAudioProcessor()
{
    stopTimer();
    engine.reset();
    bankManager.reset();
    QmDiagnostics::flush();
}

void KorvixAudioProcessor::timerCallback()
{
    QmDiagnostics::flush();
}

bool KorvixAudioProcessor::isBusesLayoutSupported (const BusesLayout& layouts) const
{
    // An instrument: no audio in, one stereo pair out (the wrapper reports the
    // widest layout accepted, so nothing else may be accepted).
    return layouts.getMainInputChannelSet().isDisabled()
        && layouts.getMainOutputChannelSet() == juce::AudioChannelSet::stereo();
}

//==============================================================================
void KorvixAudioProcessor::prepareToPlay (double, int)
{
    // Called on the host's thread while no block runs: the audio thread
    // silences the engine itself. The engine stood still meanwhile, so
    // whatever it was sounding would go on from where it stopped.
    silenceOnNextBlock = true;
}

void KorvixAudioProcessor::processBlock (juce::AudioBuffer<float>& buffer, juce::MidiBuffer& midi)
{
    // A block of no samples changes nothing; its MIDI goes out as it came,
    // but in the VST entry's sizing block, off the audio thread.
    if (buffer.getNumSamples() == 0)
    {
        fillForSizing (midi);
        return;
    }

    notesReleasedForBypass = false;
    collectEvents (midi);

    if (render (buffer))
        showOutput (buffer.getReadPointer (0), buffer.getNumSamples());
}

void KorvixAudioProcessor::processBlockBypassed (juce::AudioBuffer<float>& buffer, juce::MidiBuffer& midi)
{
    if (buffer.getNumSamples() == 0)
    {
        fillForSizing (midi);
        return;
    }

    // The engine plays on unheard, so that its time keeps up with the
    // host's: once the bypass ends, only what it would still sound by then
    // sounds. The first bypassed block releases every note, so none hangs;
    // the host's MIDI is ignored meanwhile. At rest the engine costs nothing.
    blockEvents.clear();

    if (! notesReleasedForBypass)
    {
        notesReleasedForBypass = true;
        blockEvents.push_back (allNotesOff());
    }

    const bool rendered = render (buffer);

    for (int channel = 0; channel < buffer.getNumChannels(); ++channel)
        buffer.clear (channel, 0, buffer.getNumSamples());

    // The meter and the scope show the silence that goes out.
    if (rendered)
        showOutput (buffer.getReadPointer (0), buffer.getNumSamples());
}

void KorvixAudioProcessor::setFillsEmptyBlocks (bool fill) noexcept
{
    fillingEmptyBlocks = fill;
}

void KorvixAudioProcessor::fillForSizing (juce::MidiBuffer& midi)
{
    if (! fillingEmptyBlocks)
        return;

    // One message's record, repeated: adding the events one by one would
    // search the whole buffer for each. Polyphonic aftertouch, which is
    // ignored, is as long as any message read.
    juce::MidiBuffer one;
    one.addEvent (juce::MidiMessage::aftertouchChange (1, 0, 0), 0);

    midi.clear();
    midi.data.ensureStorageAllocated (one.data.size() * maxEventsPerBlock);

    for (int i = 0; i < maxEventsPerBlock; ++i)
        midi.data.addArray (one.data.begin(), one.data.size());
}

void KorvixAudioProcessor::showOutput (const float* left, int numSamples) noexcept
{
    peakLevel.store (nextPeakLevel (peakLevel.load (std::memory_order_relaxed), left, numSamples), std::memory_order_relaxed);
    scopeFeed.push (left, numSamples);
}

bool KorvixAudioProcessor::render (juce::AudioBuffer<float>& buffer)
{
    const juce::ScopedNoDenormals noDenormals;
    const int numSamples = buffer.getNumSamples();

    if (silenceOnNextBlock.exchange (false))
        engine->silence();

    for (int channel = getTotalNumInputChannels(); channel < juce::jmin (getTotalNumOutputChannels(), buffer.getNumChannels()); ++channel)
        buffer.clear (channel, 0, numSamples);

    if (buffer.getNumChannels() < 2)
    {
        blockEvents.clear();
        return false;
    }

    auto* left = buffer.getWritePointer (0);
    auto* right = buffer.getWritePointer (1);

    updateHostState();

    if (numSamples <= maxSingleCallSamples)
        engine->renderBlock (left, right, blockEvents, numSamples);
    else
        renderChunked (left, right, numSamples);

    limitOutput (left, numSamples);
    limitOutput (right, numSamples);

    blockEvents.clear();
    return true;
}

void KorvixAudioProcessor::updateHostState()
{
    double bpm = 0.0;
    bool playing = false;

    if (auto* playHead = getPlayHead())
    {
        if (const auto position = playHead->getPosition())
        {
            bpm = position->getBpm().orFallback (0.0);
            playing = position->getIsPlaying();
        }
    }

    // Hosts that report no tempo give 0; one that is no usable number counts the same.
    const auto tempo = (bpm >= 1.0 && bpm <= maxHostTempo) ? (float) bpm : 120.0f;

    // Twice the whole part of the host rate; a rate that is not a usable
    // number leaves everything as it was, like a rate below 1 Hz.
    const double hostRate = getSampleRate();

    if (! (hostRate >= 1.0 && hostRate <= maxHostSampleRate))
        return;

    scopeFeed.setSampleRate ((int) hostRate);

    const int rate = (int) (2.0 * (int) hostRate);
    auto* context = engine->context;

    if ((float) rate != context->sampleRate)
    {
        context->sampleRate = (float) rate;
        context->humNoise->rate = rate;
        QmDiagnostics::recordSampleRate (rate);

        QmGraphEvent event;
        event.type = QmGraphEvent::sampleRateChanged;
        event.id = QmGraphEvent::nextId();
        engine->audioOut->sendEvent (event);
    }

    context->playing = playing ? 1 : 0;
    context->tempo = tempo;
}

void KorvixAudioProcessor::collectEvents (const juce::MidiBuffer& midi)
{
    blockEvents.clear();

    for (const auto metadata : midi)
    {
        QmMidiEvent event;

        if (toEngineEvent (metadata.data, metadata.numBytes, metadata.samplePosition, event))
            addEvent (blockEvents, event);
    }
}

void KorvixAudioProcessor::addEvent (std::vector<QmMidiEvent>& events, const QmMidiEvent& event) noexcept
{
    // The list never grows beyond its reserved room: when it is full,
    // controllers and bends shrink to the last value of each.
    if (events.size() == events.capacity())
        keepLastControllerValues (events);

    if (events.size() < events.capacity())
    {
        events.push_back (event);
        return;
    }

    // Still full: nothing but notes. A note-on that does not fit is dropped,
    // a note-off takes the place of the latest note-on, so no note is left
    // sounding that the host released.
    if (event.type != QmMidiEvent::typeNote || event.gate != 0)
        return;

    for (auto i = events.size(); i-- > 0;)
    {
        if (events[i].type == QmMidiEvent::typeNote && events[i].gate != 0)
        {
            events.erase (events.begin() + (std::ptrdiff_t) i);
            events.push_back (event);
            return;
        }
    }
}

void KorvixAudioProcessor::keepLastControllerValues (std::vector<QmMidiEvent>& events) noexcept
{
    // One slot per controller number and one for the pitch wheel.
    bool seen[129] = {};
    auto kept = events.size();

    for (auto i = events.size(); i-- > 0;)
    {
        const auto& event = events[i];
        bool keep = event.type == QmMidiEvent::typeNote;

        if (! keep)
        {
            const int key = event.type == QmMidiEvent::typePitchWheel ? 128 : (event.controller & 0x7f);
            keep = ! seen[key];
            seen[key] = true;
        }

        if (keep)
            events[--kept] = event;
    }

    std::move (events.begin() + (std::ptrdiff_t) kept, events.end(), events.begin());
    events.resize (events.size() - kept);
}

bool KorvixAudioProcessor::toEngineEvent (const juce::uint8* data, int numBytes, int position, QmMidiEvent& event) noexcept
{
    if (data == nullptr || numBytes < 3)
        return false;

    const int status = data[0] & 0xf0;
    const int first = data[1] & 0x7f;
    const int second = data[2] & 0x7f;

    event = QmMidiEvent();
    event.position = position;
    event.controller = -1;
    event.spare = -1;

    switch (status)
    {
        case 0x90:
        case 0x80:
            event.type = QmMidiEvent::typeNote;
            event.note = first;

            if (status == 0x90 && second != 0)
            {
                event.gate = 1;
                event.value = (float) second * (1.0f / 127.0f);
            }
            else
            {
                event.gate = 0;
                event.value = 1.0f;
            }
            return true;

        case 0xb0:
            event.type = QmMidiEvent::typeController;
            event.controller = first;
            event.value = (float) (second / 127.0);
            return true;

        case 0xe0:
            event.type = QmMidiEvent::typePitchWheel;
            event.value = (float) ((second * 128 + first) / 16383.0);
            return true;

        default:
            return false;
    }
}

void KorvixAudioProcessor::renderChunked (float* left, float* right, int numSamples)
{
    // Every sample is rendered, the last chunk whatever its length, and every
    // event reaches a chunk: positions outside the block count as its first
    // or last sample, so no note-off is lost.
    for (int start = 0; start < numSamples; start += chunkSamples)
    {
        const int length = juce::jmin (chunkSamples, numSamples - start);
        chunkEvents.clear();

        for (const auto& event : blockEvents)
        {
            const int position = juce::jlimit (0, numSamples - 1, event.position);

            if (position >= start && position < start + length)
            {
                chunkEvents.push_back (event);
                chunkEvents.back().position = position - start;
            }
        }

        engine->renderBlock (left + start, right + start, chunkEvents, length);
    }

    chunkEvents.clear();
}

float KorvixAudioProcessor::nextPeakLevel (float peak, const float* samples, int numSamples) noexcept
{
    float level = 0.0f;

    if (numSamples > 0)
    {
        const auto range = juce::FloatVectorOperations::findMinAndMax (samples, numSamples);
        level = juce::jmax (range.getEnd(), -range.getStart());
    }

    if (level > peak)
        return juce::jmin (level, 5.0f);

    return (float) (peak * 0.95);
}

void KorvixAudioProcessor::limitOutput (float* samples, int numSamples) noexcept
{
    // Above 4 the curve bends smoothly towards 8 (value and slope continuous
    // at 4); anything that is no number becomes silence.
    for (int i = 0; i < numSamples; ++i)
    {
        const float x = samples[i];
        const float magnitude = std::abs (x);

        if (magnitude <= limitKnee)
            continue;

        const float limited = magnitude == magnitude
                                ? limitKnee + (limitCeiling - limitKnee) * std::tanh ((magnitude - limitKnee) / (limitCeiling - limitKnee))
                                : 0.0f;
        samples[i] = x < 0.0f ? -limited : limited;
    }
}

//==============================================================================
void KorvixAudioProcessor::setEditorFactory (EditorFactory factory, void (*prepare)()) noexcept
{
    editorFactory = factory;
    editorPreparation = prepare;
}

juce::AudioProcessorEditor* KorvixAudioProcessor::createEditor()
{
    const auto factory = editorFactory.load();
    return factory != nullptr ? factory (*this) : nullptr;
}

bool KorvixAudioProcessor::hasEditor() const
{
    return editorFactory.load() != nullptr;
}

// The parameters are the framework's legacy, index-based ones, whose gesture
// calls are deprecated: these are the only places that use them.
JUCE_BEGIN_IGNORE_WARNINGS_GCC_LIKE ("-Wdeprecated-declarations")

void KorvixAudioProcessor::beginGesture (int index)
{
    if (juce::isPositiveAndBelow (index, QmParam::count))
        beginParameterChangeGesture (index);
}

void KorvixAudioProcessor::reportGestureChange (int index, float value)
{
    if (juce::isPositiveAndBelow (index, QmParam::count))
        sendParamChangeMessageToListeners (index, value);
}

void KorvixAudioProcessor::endGesture (int index)
{
    if (juce::isPositiveAndBelow (index, QmParam::count))
        endParameterChangeGesture (index);
}

JUCE_END_IGNORE_WARNINGS_GCC_LIKE

//==============================================================================
int KorvixAudioProcessor::getNumParameters()
{
    return QmParam::count;
}

const juce::String KorvixAudioProcessor::getParameterName (int index)
{
    if (! juce::isPositiveAndBelow (index, QmParam::count))
        return {};

    return juce::String::fromUTF8 (engine->parameters[index]->name.c_str());
}

float KorvixAudioProcessor::getParameter (int index)
{
    if (! juce::isPositiveAndBelow (index, QmParam::count))
        return 0.0f;

    return engine->parameters[index]->getValue();
}

void KorvixAudioProcessor::setParameter (int index, float value)
{
    // QmParameter::setValue clamps, quantises and turns non-finite values into 0.
    if (juce::isPositiveAndBelow (index, QmParam::count))
        engine->parameters[index]->setValue (value);
}

//==============================================================================
void KorvixAudioProcessor::getStateInformation (juce::MemoryBlock& destData)
{
    if (bankManager != nullptr)
        bankManager->getState (destData);
}

void KorvixAudioProcessor::setStateInformation (const void* data, int sizeInBytes)
{
    if (bankManager != nullptr)
        bankManager->setState (data, sizeInBytes);
}

juce::HashMap<juce::String, juce::String>& KorvixAudioProcessor::getProperties()
{
    return properties;
}

//==============================================================================
void KorvixAudioProcessor::runCommand (int command)
{
    if (command == 1)
    {
        for (auto* parameter : engine->parameters)
            parameter->setValue (parameter->defaultValue);
    }
    else if (command == 2)
    {
        for (int i = 0; i < QmParam::count; ++i)
            if (i != QmParam::ampAmount)     // the level stays where it is
                engine->parameters[i]->setValue ((float) ((qmRand() % 1000) * 0.001));
    }
}
