#include "KorvixAudioProcessor.h"

#include "QmAudioOutModule.h"
#include "QmBankManager.h"
#include "QmCache.h"
#include "QmGraphEvent.h"
#include "QmHumNoiseSource.h"
#include "QmMidiMapper.h"
#include "QmParameter.h"
#include "QmProcessContext.h"
#include "QmRandom.h"
#include "QmSynthEngine.h"

#include <cstdio>

namespace
{
    /** Host rates whose doubled whole part an int holds comfortably. */
    constexpr double maxHostSampleRate = 1.0e6;

    /** Tempos beyond any music, and beyond what a float holds. */
    constexpr double maxHostTempo = 1.0e9;
}

KorvixAudioProcessor::KorvixAudioProcessor()
    : juce::AudioProcessor (BusesProperties().withOutput ("Output", juce::AudioChannelSet::stereo(), true))
{
    // Reserved once: processBlock never grows them.
    blockEvents.reserve (maxEventsPerBlock);
    chunkEvents.reserve (maxEventsPerBlock);

    QmCache::getInstance();
    engine = std::make_unique<QmSynthEngine>();

    // The mapper reads its file and starts a timer, so it is made here, on
    // the message thread, and never by the first audio block.
    engine->setMidiLearnHandler (QmMidiMapper::getInstance());

    bankManager = std::make_unique<QmBankManager> (this);
    bankManager->loadStartupPreset();
}

KorvixAudioProcessor::~KorvixAudioProcessor()
{
    engine.reset();
    bankManager.reset();
}

bool KorvixAudioProcessor::isBusesLayoutSupported (const BusesLayout& layouts) const
{
    // An instrument: no audio in, one stereo pair out (the wrapper reports the
    // widest layout accepted, so nothing else may be accepted).
    return layouts.getMainInputChannelSet().isDisabled()
        && layouts.getMainOutputChannelSet() == juce::AudioChannelSet::stereo();
}

//==============================================================================
void KorvixAudioProcessor::processBlock (juce::AudioBuffer<float>& buffer, juce::MidiBuffer& midi)
{
    const juce::ScopedNoDenormals noDenormals;
    const int numSamples = buffer.getNumSamples();

    for (int channel = getTotalNumInputChannels(); channel < juce::jmin (getTotalNumOutputChannels(), buffer.getNumChannels()); ++channel)
        buffer.clear (channel, 0, numSamples);

    if (buffer.getNumChannels() < 2)
        return;

    auto* left = buffer.getWritePointer (0);
    auto* right = buffer.getWritePointer (1);

    updateHostState();
    collectEvents (midi);

    if (numSamples <= maxSingleCallSamples)
        engine->renderBlock (left, right, blockEvents, numSamples);
    else
        renderChunked (left, right, numSamples);

    peakLevel = nextPeakLevel (peakLevel, left, numSamples);
    blockEvents.clear();
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

    const int rate = (int) (2.0 * (int) hostRate);
    auto* context = engine->context;

    if ((float) rate != context->sampleRate)
    {
        context->sampleRate = (float) rate;
        context->humNoise->rate = rate;
        std::printf ("sample rate updated to %d", rate);

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
    for (const auto metadata : midi)
    {
        // Beyond the reserved room events are dropped rather than allocated for.
        if (blockEvents.size() >= blockEvents.capacity())
            break;

        QmMidiEvent event;

        if (toEngineEvent (metadata.data, metadata.numBytes, metadata.samplePosition, event))
            blockEvents.push_back (event);
    }
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

    return engine->parameters[index]->value;
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
