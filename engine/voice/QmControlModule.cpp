#include "QmControlModule.h"
#include "QmDriftGenerator.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <iterator>

QmControlModule::QmControlModule (QmProcessContext* c)
    : QmModule (c),
      gate (QmSignal::block, c),
      cv (QmSignal::block, c),
      pitchWheel (QmSignal::block, c),
      modWheel (QmSignal::block, c),
      shiftedGate (QmSignal::block, c),
      shiftedCv (QmSignal::block, c),
      drift (QmSignal::block, c),
      numVoices (QmSignal::scalar, c)
{
    name = "Control module";

    shiftedGateOut = addOutput ("Shifted gate", QmSignal::block);
    shiftedCvOut = addOutput ("Shifted cv", QmSignal::block);
    gateOut = addOutput ("Gate out", QmSignal::block);
    cvOut = addOutput ("CV out", QmSignal::block);
    modWheelOut = addOutput ("Mod wheel", QmSignal::block);
    pitchWheelOut = addOutput ("Pitch wheel", QmSignal::block);
    velocityOut = addOutput ("Velocity", QmSignal::block);
    aftertouchOut = addOutput ("Aftertouch", QmSignal::block);
    glideAutoIn = addInput ("Glide auto", QmSignal::scalar);
    numVoicesOut = addOutput ("Num voices", QmSignal::scalar);
    glidePolyIn = addInput ("GlidePoly", QmSignal::scalar);

    // Reserved here so the audio thread never grows them.
    events.reserve (maxEvents);
    switches.reserve (maxEvents);

    driftTap.reset (c->drift->createTap (1));

    sampleRateChanged();
}

QmControlModule::~QmControlModule() = default;

void QmControlModule::appendEvents (const std::vector<QmMidiEvent>& newEvents)
{
    for (const auto& event : newEvents)
    {
        if (events.size() >= (size_t) maxEvents)
            break;

        events.push_back (event);
    }
}

void QmControlModule::sampleRateChanged()
{
    modWheelSmoother.setFrequencyAtRate (30.0f, context->sampleRate, false);
    spareSmoother.setFrequencyAtRate (1.0f, context->sampleRate, false);
}

void QmControlModule::reset()
{
    events.clear();
    switches.clear();
    stackSize = 0;
    oldLevel = newLevel = 0.0f;
    std::fill (std::begin (gateHistory), std::end (gateHistory), 0.0f);
    driftTap->restart();
}

void QmControlModule::process()
{
    const int n = context->blockLength;

    driftTap->read (drift.buffer, n);
    for (int i = 0; i < n; ++i)
        drift.buffer[i] *= 0.001f;

    const bool glideAuto = glideAutoIn->getSignal()->index > 0;

    switches.clear();

    for (const auto& event : events)
    {
        if (event.type == QmMidiEvent::typeNote)
        {
            if (event.note < 0 || event.note >= numNotes)
                continue;

            if (event.gate != 0)
                handleNoteOn (event, glideAuto);
            else
                handleNoteOff (event);
        }
        else if (event.type == QmMidiEvent::typePitchWheel)
        {
            pitchWheelTarget = event.value;
        }
        else if (event.type == QmMidiEvent::typeController && event.controller == 1)
        {
            modWheelValue = event.value;
        }
        else if (event.releasesAllNotes())
        {
            releaseAllNotes (event.position);
        }
        else if (event.type == QmMidiEvent::typeController && event.controller == QmMidiEvent::resetAllControllers)
        {
            // The wheels go back where a new instance has them.
            pitchWheelTarget = 0.5f;
            modWheelValue = 0.0f;
        }
    }

    events.clear();

    const float glidePoly = glidePolyIn->getSignal()->value;
    voiceCount = 1;

    std::fill (modWheel.buffer, modWheel.buffer + n, modWheelValue);
    modWheelSmoother.process (modWheel.buffer, n);
    modWheelOut->pushSignal (&modWheel);

    renderPitchWheel (n);
    renderVoice (n);
    glideSmoother.process (cv.buffer, n);

    // Glide coefficients for the next block; 0 means (almost) no glide.
    const float frequency = glidePoly == 0.0f ? 10000.0f
                                              : std::pow (2.0f, (1.0f - glidePoly) * 8.0f - 2.0f);
    glideSmoother.setFrequencyAtRate (frequency, context->sampleRate, false);

    gateOut->pushSignal (&gate);
    cv.mixAdd (&drift);
    cvOut->pushSignal (&cv);

    shift (gate.buffer, gateHistory, shiftedGate.buffer, n);
    shift (cv.buffer, cvHistory, shiftedCv.buffer, n);
    shiftedGateOut->pushSignal (&shiftedGate);
    shiftedCvOut->pushSignal (&shiftedCv);

    numVoices.index = voiceCount;
    numVoicesOut->pushSignal (&numVoices);
}

bool QmControlModule::holdsNote() const noexcept
{
    if (stackSize > 0 || oldLevel != 0.0f || newLevel != 0.0f)
        return true;

    // A note played and released within the last samples is still on its
    // way through the shifted gate.
    for (const float g : gateHistory)
        if (g != 0.0f)
            return true;

    return false;
}

void QmControlModule::handleNoteOn (const QmMidiEvent& event, bool glideAuto)
{
    // A note struck with no other key held jumps to its pitch.
    if (glideAuto && stackSize == 0)
        glideSmoother.setFrequency (20000.0f, false);

    newLevel = event.value * event.value;
    newNote = event.note;
    addSwitch (event.position);
    pressNote (event.note);
}

void QmControlModule::handleNoteOff (const QmMidiEvent& event)
{
    bool held = false;
    for (int i = 0; i < stackSize; ++i)
        held = held || noteStack[i] == event.note;

    // A stray or repeated note-off must not touch the sounding note.
    if (! held)
        return;

    const bool wasNewest = noteStack[stackSize - 1] == event.note;
    releaseNote (event.note);

    // A released background key does not change the sound.
    if (! wasNewest)
        return;

    if (stackSize > 0)
        newNote = noteStack[stackSize - 1];
    else
        newLevel = 0.0f;

    addSwitch (event.position);
}

void QmControlModule::releaseAllNotes (int hostPosition)
{
    if (stackSize == 0)
        return;

    stackSize = 0;
    newLevel = 0.0f;
    addSwitch (hostPosition);
}

void QmControlModule::addSwitch (int hostPosition)
{
    if (switches.size() >= (size_t) maxEvents)
        return;

    // Every position before the block acts alike, and so does every one past
    // it; limiting them keeps the doubling in range.
    const int position = std::clamp (hostPosition, -1, QmSignal::capacity);
    switches.push_back ({ (int) ((float) position * 2.0f), newNote, newLevel });
}

void QmControlModule::pressNote (int note)
{
    releaseNote (note);
    noteStack[stackSize++] = note;
}

void QmControlModule::releaseNote (int note)
{
    int kept = 0;

    for (int i = 0; i < stackSize; ++i)
        if (noteStack[i] != note)
            noteStack[kept++] = noteStack[i];

    stackSize = kept;
}

void QmControlModule::renderPitchWheel (int n)
{
    float* out = pitchWheel.buffer;
    const float target = pitchWheelTarget;
    float smoothed = pitchWheelSmoothed;

    // The wheel's 0..1 maps onto -1..+1 octave.
    for (int i = 0; i < n; ++i)
    {
        const float previous = smoothed;
        smoothed += (target - smoothed) * 0.001f;
        out[i] = 2.0f * smoothed - 1.0f;

        // Settled: every further step gives the same value.
        if (smoothed == previous)
        {
            std::fill (out + i + 1, out + n, out[i]);
            break;
        }
    }

    pitchWheelSmoothed = smoothed;
}

void QmControlModule::renderVoice (int n)
{
    int note = oldNote;
    float level = oldLevel;
    size_t next = 0;

    for (int i = 0; i < n;)
    {
        bool mark = false;

        for (; next < switches.size() && switches[next].position <= i; ++next)
        {
            note = switches[next].note;
            level = switches[next].level;
            mark = switches[next].position == i;
        }

        // A switch to a sounding level carries a retrigger mark on its sample.
        const float pitch = (float) note * 0.083333336f - 1.0f;
        gate.buffer[i] = (mark && level > 0.0f) ? level + 1.0f : level;
        cv.buffer[i] = pitch + pitchWheel.buffer[i];

        // Up to the next switch nothing changes and nothing is marked.
        const int end = next < switches.size() ? std::min (switches[next].position, n) : n;

        for (++i; i < end; ++i)
        {
            gate.buffer[i] = level;
            cv.buffer[i] = pitch + pitchWheel.buffer[i];
        }
    }

    // Switches beyond the block take effect from the next one, unmarked.
    oldNote = newNote;
    oldLevel = newLevel;
}

void QmControlModule::shift (const float* in, float* history, float* out, int n) noexcept
{
    // The output is the first n samples of history + in, and the history
    // keeps the last shiftLength samples of that sequence.
    const int fromHistory = std::min (n, shiftLength);
    std::copy (history, history + fromHistory, out);
    std::copy (in, in + (n - fromHistory), out + fromHistory);

    for (int j = 0; j < shiftLength; ++j)
    {
        const int k = n + j;
        history[j] = k < shiftLength ? history[k] : in[k - shiftLength];
    }
}
