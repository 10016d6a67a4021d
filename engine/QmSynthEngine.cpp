#include "QmSynthEngine.h"
#include "QmAudioOutModule.h"
#include "QmDriftGenerator.h"
#include "QmHumNoiseSource.h"
#include "QmMidiLearnHandler.h"
#include "QmParameter.h"
#include "QmParameterGroup.h"
#include "QmProcessContext.h"

#include "QmAmplifierModule.h"
#include "QmControlModule.h"
#include "QmHPFilterModule.h"
#include "QmMulModule.h"
#include "QmMultiFilterModule.h"
#include "QmSpiceModule.h"
#include "QmVCO4Module.h"
#include "QmVoiceCrusherModule.h"
#include "QmVorlanModDispatcher.h"
#include "QmVorlanModulator.h"
#include "QmWaveshaperModule.h"

#include <juce_audio_basics/juce_audio_basics.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <set>

namespace
{
    using Options = std::vector<std::string>;

    const Options offOn { "Off", "On" };
    const Options footages { "Zero", "Harm", "32'", "16'", "4'", "8'", "2'" };
}

QmSynthEngine::QmSynthEngine()
{
    context = new QmProcessContext();
    context->sampleRate = 88200.0f;
    context->humNoise = new QmHumNoiseSource (88200);

    buildParameters();

    control = new QmControlModule (context);
    audioOut = new QmAudioOutModule (context);

    wire (control, "Num voices", 0, audioOut, "Num voices");
    wireParameter (QmParam::paramsGlidePoly, control, "GlidePoly");
    wireParameter (QmParam::paramsGlideAuto, control, "Glide auto");

    voiceCrusher = new QmVoiceCrusherModule (context);

    buildVoice (0);
    collectSums();

    passEvents.reserve (maxPassSamples);
}

void QmSynthEngine::collectSums()
{
    // What QmInputSocket::clear reaches: every summing input upstream of the
    // voice's output, each module once.
    std::set<QmModule*> visited;
    std::vector<QmInputSocket*> pending { audioOut->audioIn[0] };

    while (! pending.empty())
    {
        auto* input = pending.back();
        pending.pop_back();

        if (input->usemy)
            sums.push_back (input->own);

        for (auto* source : input->sources)
            if (source->owner != nullptr && visited.insert (source->owner).second)
                pending.insert (pending.end(), source->owner->inputs.begin(), source->owner->inputs.end());
    }
}

QmSynthEngine::~QmSynthEngine()
{
    delete audioOut;
    delete control;
    delete vco;
    delete modulator;
    delete amplifier;
    delete multiFilter;
    delete waveshaper;
    delete ampModMul;
    delete envCutoffMul;
    delete kbdCutoffMul;
    delete modCutoffMul;
    delete oscCutoffMul;
    delete spice;
    delete hpFilter;
    delete modDispatcher;
    delete voiceCrusher;

    for (auto* parameter : parameters)
        delete parameter;

    for (auto* group : groups)
        delete group;

    delete context->humNoise;
    delete context;
}

void QmSynthEngine::buildParameters()
{
    QmProcessContext* c = context;
    QmParameterGroup* group = nullptr;

    auto newGroup = [&] (const char* groupName)
    {
        group = new QmParameterGroup (groupName);
        groups.push_back (group);
    };

    auto choice = [&] (QmParam::Index index, const char* paramName, int initial, const Options& options)
    {
        parameters[index] = group->add (new QmParameter (paramName, initial, options, c));
    };

    auto continuous = [&] (QmParam::Index index, const char* paramName, float initial, uint8_t bipolar = 0)
    {
        parameters[index] = group->add (new QmParameter (paramName, initial, bipolar, c));
    };

    auto range = [&] (QmParam::Index index, float lo, float hi, int curve)
    {
        parameters[index]->minValue = lo;
        parameters[index]->maxValue = hi;
        parameters[index]->curve = curve;
    };

    newGroup ("Modulator");
    choice (QmParam::modulatorWave, "Wave", 2, { "Sine", "Square", "SH", "Noise", "Sine VCO", "Wow envelope" });
    continuous (QmParam::modulatorFreq, "Freq", 0.4f);
    choice (QmParam::modulatorMode, "Mode", 2, footages);
    choice (QmParam::modulatorAdsrSync, "Adsr sync", 0, { "Gate+trig", "Gate", "LFO" });
    choice (QmParam::modulatorWheel, "Wheel", 0, { "Off", "HPF", "LPF", "Mod" });
    continuous (QmParam::modulatorVelocity, "Velocity", 0.0f);
    choice (QmParam::modulatorSync, "Sync", 0, { "Key", "None", "Tempo" });

    newGroup ("VCO");
    continuous (QmParam::vcoWave1, "Wave1", 0.0f);
    continuous (QmParam::vcoWave2, "Wave2", 0.0f);
    choice (QmParam::vcoOctave, "Octave", 0, { "-2", "-1", "0", "1", "2" });
    continuous (QmParam::vcoWidth1, "Width1", 0.0f);
    continuous (QmParam::vcoWidth2, "Width2", 0.0f);
    continuous (QmParam::vcoMod, "Mod", 0.0f);
    range (QmParam::vcoMod, 0.0f, 1.0f, 2);
    choice (QmParam::vcoModTarget, "Mod target", 0, { "Mod", "Env", "Manual" });
    choice (QmParam::vcoTrig, "Vco trig", 0, offOn);
    choice (QmParam::vcoSync, "Vco Sync", 0, offOn);
    continuous (QmParam::vcoMix, "VCO mix", 0.0f, 1);
    continuous (QmParam::vcoPhaseDetune, "Phase/detune", 0.0f, 1);

    newGroup ("HPF");
    continuous (QmParam::hpfCutoff, "Cutoff", 0.0f);
    range (QmParam::hpfCutoff, 0.0f, 12.0f, 0);
    continuous (QmParam::hpfRes, "Res", 0.0f);
    choice (QmParam::hpfTrack, "Track", 1, offOn);

    newGroup ("LPF");
    choice (QmParam::lpfType, "Type", 0, { "12", "18", "24A", "24B" });
    continuous (QmParam::lpfDrive, "Drive", 0.0f);
    parameters[QmParam::lpfCutoff] = group->add (new QmParameter ("Cutoff", 1.0f, c));
    range (QmParam::lpfCutoff, 1.0f, 11.3f, 0);
    continuous (QmParam::lpfRes, "Res", 0.0f);
    continuous (QmParam::lpfEnv, "Env", 0.0f);
    range (QmParam::lpfEnv, 0.0f, 9.2f, 0);
    choice (QmParam::lpfKbd, "Kbd", 0, offOn);
    continuous (QmParam::lpfMod, "Mod", 0.0f);
    range (QmParam::lpfMod, 0.0f, 5.0f, 2);
    continuous (QmParam::lpfOscMod, "Osc mod", 0.0f);
    range (QmParam::lpfOscMod, 0.0f, 8.0f, 2);
    choice (QmParam::lpfWheel, "Wheel", 0, offOn);

    newGroup ("Env");
    continuous (QmParam::envA, "A", 0.01f);
    continuous (QmParam::envD, "D", 0.3f);
    continuous (QmParam::envS, "S", 0.0f);
    continuous (QmParam::envR, "R", 0.3f);

    newGroup ("Shaper");
    choice (QmParam::shaperType, "Type", 0, footages);
    choice (QmParam::shaperDriveQ, "Drive Q", 0, { "0", "1", "2" });
    continuous (QmParam::shaperAmount, "Amount", 0.0f);

    newGroup ("Amp");
    continuous (QmParam::ampAmount, "Amount", 0.75f);
    continuous (QmParam::ampAmpMod, "Amp mod", 0.0f);
    choice (QmParam::ampAmpMode, "Amp mode", 0, { "Pre", "-", "Post" });

    newGroup ("Params");
    continuous (QmParam::paramsGlidePoly, "GlidePoly", 0.0f);
    choice (QmParam::paramsGlideAuto, "Glide auto", 0, offOn);
    choice (QmParam::paramsMode, "Mode", 0, { "Mono", "Para", "Unison", "1", "2", "3" });
    choice (QmParam::paramsSpreadAuto, "spread auto", 0, offOn);
}

void QmSynthEngine::buildVoice (int v)
{
    vco = new QmVCO4Module (context);
    modulator = new QmVorlanModulator (context);
    amplifier = new QmAmplifierModule (context);
    multiFilter = new QmMultiFilterModule (context);
    waveshaper = new QmWaveshaperModule (context);
    ampModMul = new QmMulModule (context);
    envCutoffMul = new QmMulModule (context);
    kbdCutoffMul = new QmMulModule (context);
    modCutoffMul = new QmMulModule (context);
    oscCutoffMul = new QmMulModule (context);
    modDispatcher = new QmVorlanModDispatcher (context);
    spice = new QmSpiceModule (context);
    hpFilter = new QmHPFilterModule (context);

    // The order matters: an output's first connection gets its own signal,
    // later ones get copies.
    wire (control, "Shifted cv", 0, modulator, "CV");
    wireParameter (QmParam::vcoWave1, vco, "Wave 1");
    wireParameter (QmParam::vcoWave2, vco, "Wave 2");
    wireParameter (QmParam::vcoWidth1, vco, "Width 1", 0);
    wireParameter (QmParam::vcoWidth2, vco, "Width 1", 1);
    wireParameter (QmParam::vcoMix, vco, "Mix");
    wireParameter (QmParam::vcoPhaseDetune, vco, "Phase detune");
    wireParameter (QmParam::vcoOctave, vco, "Octave");
    wireParameter (QmParam::vcoTrig, vco, "Retrigger");
    wireParameter (QmParam::vcoMod, vco, "Mod");
    wireParameter (QmParam::vcoModTarget, vco, "Mod type");
    wireParameter (QmParam::vcoSync, vco, "Sync in");

    // The VCO gets the modulator's own signal, the multipliers copies.
    wire (modulator, "Mod out", 0, vco, "Mod in");
    wire (modulator, "Env out", 0, vco, "Env in");
    wire (modulator, "Mod out", 0, modCutoffMul, "In A");
    wireParameter (QmParam::modulatorVelocity, modulator, "Mod velocity");
    wireParameter (QmParam::modulatorSync, modulator, "Mod sync");
    wireParameter (QmParam::ampAmpMode, modulator, "Amp mode");
    wireParameter (QmParam::lpfMod, modCutoffMul, "In B");

    // Keyboard tracking is relative to a CV of 2.0 (note 36).
    kbdCutoffMul->c = -2.0f;
    wireParameter (QmParam::lpfKbd, kbdCutoffMul, "In B");
    wireParameter (QmParam::modulatorAdsrSync, modulator, "ADSR sync");
    wireParameter (QmParam::lpfOscMod, oscCutoffMul, "In B");

    // Everything that moves the low-pass cutoff sums into "Freq in".
    wire (vco, "Osc2", 0, oscCutoffMul, "In A");
    wire (oscCutoffMul, "Out", 0, multiFilter, "Freq in");
    wire (control, "Shifted cv", 0, kbdCutoffMul, "In A");
    wire (kbdCutoffMul, "Out", 0, multiFilter, "Freq in");
    wire (modCutoffMul, "Out", 0, multiFilter, "Freq in");
    wire (modulator, "Mod out", 0, ampModMul, "In B");
    wireParameter (QmParam::ampAmpMod, ampModMul, "In A");
    wire (ampModMul, "Out", 0, amplifier, "Exp mod");

    wireParameter (QmParam::modulatorFreq, modulator, "Freq");
    wireParameter (QmParam::modulatorWheel, modulator, "Mod wheel");
    wire (control, "Mod wheel", 0, modulator, "Wheel");
    wireParameter (QmParam::lpfCutoff, multiFilter, "Freq in");
    wireParameter (QmParam::lpfDrive, multiFilter, "Drive");
    wireParameter (QmParam::lpfRes, multiFilter, "Res in");
    wireParameter (QmParam::lpfType, multiFilter, "Type");
    wire (control, "Shifted gate", 0, modulator, "Gate");
    wireParameter (QmParam::envA, modulator, "Attack");
    wireParameter (QmParam::envD, modulator, "Decay");
    wireParameter (QmParam::envS, modulator, "Sustain");
    wireParameter (QmParam::envR, modulator, "Release");

    wireParameter (QmParam::shaperAmount, amplifier, "Gate in", 2);
    wireParameter (QmParam::paramsSpreadAuto, spice, "Amount");
    wire (control, "Shifted cv", 0, spice, "CV");
    wire (modulator, "Amp out", 0, amplifier, "Mod in");
    wire (control, "Shifted gate", 0, amplifier, "Gate in", 0);
    wire (control, "CV out", v, vco, "CV");
    wire (control, "Gate out", v, vco, "Gate");

    wire (modulator, "Env out", 0, envCutoffMul, "In A");
    wireParameter (QmParam::lpfEnv, envCutoffMul, "In B");
    wire (envCutoffMul, "Out", 0, multiFilter, "Freq in");
    wireParameter (QmParam::modulatorWave, modulator, "Wave");
    wireParameter (QmParam::hpfCutoff, hpFilter, "Freq");
    wireParameter (QmParam::hpfRes, hpFilter, "Resonance");
    wire (control, "CV out", v, hpFilter, "Kbd");
    wireParameter (QmParam::hpfTrack, hpFilter, "Mode", 1);
    wire (vco, "Out", 0, amplifier, "Gate in", 1);
    wire (control, "CV out", v, waveshaper, "CV");
    wireParameter (QmParam::ampAmount, amplifier, "Amp");

    // The audio path.
    wire (vco, "Out", 0, hpFilter, "Input");
    wire (hpFilter, "Out", 0, spice, "Input");
    wire (spice, "Out", 0, multiFilter, "Audio in");
    wire (multiFilter, "Out", 0, amplifier, "Audio in");
    wire (amplifier, "Out", 0, audioOut, "Audio in", v);

    // The mod wheel goes to the filter the "Wheel" option selects.
    wire (control, "Mod wheel", 0, modDispatcher, "Input");
    wireParameter (QmParam::modulatorWheel, modDispatcher, "Selector");
    wire (modDispatcher, "Out", 0, hpFilter, "Freq");
    wire (modDispatcher, "Out", 1, multiFilter, "Freq in");
}

void QmSynthEngine::wire (QmModule* from, const char* output, int outputIndex, QmModule* to, const char* input, int inputIndex)
{
    auto* out = from->findOutput (output, outputIndex);
    auto* in = to->findInput (input, inputIndex);
    jassert (out != nullptr && in != nullptr);
    out->connect (in);
}

void QmSynthEngine::wireParameter (QmParam::Index parameter, QmModule* to, const char* input, int inputIndex)
{
    auto* in = to->findInput (input, inputIndex);
    jassert (in != nullptr);
    parameters[parameter]->connectTo (in);
}

void QmSynthEngine::renderBlock (float* left, float* right, const std::vector<QmMidiEvent>& events, int numSamples)
{
    const juce::ScopedNoDenormals noDenormals;

    if (numSamples <= maxPassSamples)
    {
        renderPass (left, right, events, std::max (numSamples, 0));
        return;
    }

    // Longer requests run in passes that fit the signal buffers; each pass
    // takes the events that fall inside it, the last one any beyond the end.
    for (int start = 0; start < numSamples; start += maxPassSamples)
    {
        const int length = std::min (maxPassSamples, numSamples - start);
        const bool lastPass = start + length >= numSamples;
        passEvents.clear();

        for (const auto& event : events)
        {
            const bool inside = event.position >= start && (lastPass || event.position < start + length);
            const bool beforeFirst = start == 0 && event.position < 0;

            if ((inside || beforeFirst) && passEvents.size() < passEvents.capacity())
            {
                passEvents.push_back (event);
                passEvents.back().position = std::max (0, event.position - start);
            }
        }

        renderPass (left + start, right + start, passEvents, length);
    }
}

void QmSynthEngine::silence() noexcept
{
    for (QmModule* module : std::initializer_list<QmModule*> { control, modulator, vco, hpFilter, spice, multiFilter, amplifier })
        module->reset();

    context->humNoise->reset();
    audioOut->decimator->reset();
    quietSamples = 0;
}

void QmSynthEngine::dispatchControllers (const std::vector<QmMidiEvent>& events)
{
    if (midiLearn == nullptr)
        return;

    for (const auto& event : events)
    {
        if (event.controller == -1 || event.isChannelMode())
            continue;

        if (midiLearn->isLearnMode())
        {
            midiLearn->learnController (event.controller);
        }
        else
        {
            const int p = midiLearn->getParameterForController (event.controller);

            if (p >= 0 && p < QmParam::count)
                parameters[p]->setValue (event.value);
        }
    }
}

void QmSynthEngine::renderPass (float* left, float* right, const std::vector<QmMidiEvent>& events, int n)
{
    if (resting && ! mustWake (events))
    {
        std::fill (left, left + n, 0.0f);
        std::fill (right, right + n, 0.0f);

        // What follows the host's tempo and transport keeps moving.
        modulator->followHostTime (2 * n);
        return;
    }

    resting = false;
    dispatchControllers (events);

    context->humNoise->fill (2 * n);
    context->advanceTick();
    context->blockLength = 2 * n;

    std::fill (left, left + n, 0.0f);
    std::fill (right, right + n, 0.0f);

    control->appendEvents (events);

    QmSignal* mix = audioOut->mix;
    mix->clear();

    for (auto* sum : sums)
        sum->clear();
    audioOut->numVoices->requestSignal();

    const int count = std::clamp (audioOut->numVoices->getSignal()->index, 0, (int) QmAudioOutModule::maxVoices);

    for (int i = 0; i < count; ++i)
    {
        audioOut->audioIn[i]->requestSignal();
        mix->mixAdd (audioOut->audioIn[i]->getSignal());
    }

    const int half = (int) ((float) context->blockLength * 0.5f);

    audioOut->decimator->processBlock (mix->buffer, left, half);

    std::copy (left, left + half, right);

    for (int k = 0; k < half; ++k)
    {
        right[k] = (float) ((double) right[k] * 0.2);
        left[k] = (float) ((double) left[k] * 0.2);
    }

    updateRest (left, half, ! events.empty());
}

bool QmSynthEngine::mustWake (const std::vector<QmMidiEvent>& events) const noexcept
{
    if (! events.empty() || context->sampleRate != renderedRate)
        return true;

    for (int i = 0; i < QmParam::count; ++i)
        if (parameters[i]->getValue() != renderedValues[i])
            return true;

    return false;
}

void QmSynthEngine::updateRest (const float* out, int numSamples, bool hadEvents) noexcept
{
    if (control->holdsNote())
    {
        quietSamples = 0;
        return;
    }

    // A change restarts the wait, so that glides it starts finish first: the
    // wheels' among them.
    bool changed = hadEvents || context->sampleRate != renderedRate;
    renderedRate = context->sampleRate;

    for (int i = 0; i < QmParam::count; ++i)
    {
        const float v = parameters[i]->getValue();
        changed = changed || v != renderedValues[i];
        renderedValues[i] = v;
    }

    // Anything that is no number counts as loud.
    bool loud = false;
    for (int k = 0; k < numSamples; ++k)
        loud = loud || ! (std::abs (out[k]) < restLevel);

    const int wait = (int) (restSeconds * 0.5f * context->sampleRate);
    quietSamples = (changed || loud) ? 0 : std::min (quietSamples + numSamples, wait);

    resting = quietSamples >= wait && modulator->isIdle();
}
