#include "QmSynthEngine.h"
#include "QmAudioOutModule.h"
#include "QmDriftGenerator.h"
#include "QmHumNoiseSource.h"
#include "QmMidiLearnHandler.h"
#include "QmParameter.h"
#include "QmParameterGroup.h"
#include "QmProcessContext.h"

#if __has_include("QmControlModule.h")
 #include "QmControlModule.h"
 #define VORLAN_HAS_CONTROL 1
#endif
#if __has_include("QmVCO4Module.h")
 #include "QmVCO4Module.h"
 #define VORLAN_HAS_VCO 1
#endif
#if __has_include("QmVorlanModulator.h")
 #include "QmVorlanModulator.h"
 #define VORLAN_HAS_MODULATOR 1
#endif
#if __has_include("QmAmplifierModule.h")
 #include "QmAmplifierModule.h"
 #define VORLAN_HAS_AMPLIFIER 1
#endif
#if __has_include("QmMultiFilterModule.h")
 #include "QmMultiFilterModule.h"
 #define VORLAN_HAS_MULTIFILTER 1
#endif
#if __has_include("QmWaveshaperModule.h")
 #include "QmWaveshaperModule.h"
 #define VORLAN_HAS_WAVESHAPER 1
#endif
#if __has_include("QmVoiceCrusherModule.h")
 #include "QmVoiceCrusherModule.h"
 #define VORLAN_HAS_VOICECRUSHER 1
#endif
#if __has_include("QmMulModule.h")
 #include "QmMulModule.h"
 #define VORLAN_HAS_MUL 1
#endif
#if __has_include("QmVorlanModDispatcher.h")
 #include "QmVorlanModDispatcher.h"
 #define VORLAN_HAS_DISPATCHER 1
#endif
#if __has_include("QmSpiceModule.h")
 #include "QmSpiceModule.h"
 #define VORLAN_HAS_SPICE 1
#endif
#if __has_include("QmHPFilterModule.h")
 #include "QmHPFilterModule.h"
 #define VORLAN_HAS_HPFILTER 1
#endif

#include <juce_audio_basics/juce_audio_basics.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

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

   #if VORLAN_HAS_CONTROL
    control = adopt (new QmControlModule (context), controlSlot);
   #endif
    audioOut = adopt (new QmAudioOutModule (context), audioOutSlot);

    wire (controlSlot, "Num voices", 0, audioOutSlot, "Num voices");
    wireParameter (35, controlSlot, "GlidePoly");
    wireParameter (36, controlSlot, "Glide auto");

   #if VORLAN_HAS_VOICECRUSHER
    voiceCrusher = adopt (new QmVoiceCrusherModule (context), voiceCrusherSlot);
   #endif

    buildVoice (0);

    passEvents.reserve (maxPassSamples);
}

QmSynthEngine::~QmSynthEngine()
{
    static constexpr Slot deletionOrder[] = {
        audioOutSlot, controlSlot, vcoSlot, modulatorSlot, amplifierSlot, multiFilterSlot,
        waveshaperSlot, ampModMulSlot, envCutoffMulSlot, kbdCutoffMulSlot, modCutoffMulSlot,
        oscCutoffMulSlot, spiceSlot, hpFilterSlot, modDispatcherSlot, voiceCrusherSlot
    };

    for (auto slot : deletionOrder)
        delete modules[slot];

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

    auto choice = [&] (int index, const char* paramName, int initial, const Options& options)
    {
        parameters[index] = group->add (new QmParameter (paramName, initial, options, c));
    };

    auto continuous = [&] (int index, const char* paramName, float initial, uint8_t bipolar = 0)
    {
        parameters[index] = group->add (new QmParameter (paramName, initial, bipolar, c));
    };

    auto range = [&] (int index, float lo, float hi, int curve)
    {
        parameters[index]->minValue = lo;
        parameters[index]->maxValue = hi;
        parameters[index]->curve = curve;
    };

    newGroup ("Modulator");
    choice (0, "Wave", 2, { "Sine", "Square", "SH", "Noise", "Sine VCO", "Wow envelope" });
    continuous (1, "Freq", 0.4f);
    choice (2, "Mode", 2, footages);
    choice (3, "Adsr sync", 0, { "Gate+trig", "Gate", "LFO" });
    choice (4, "Wheel", 0, { "Off", "HPF", "LPF", "Mod" });
    continuous (6, "Velocity", 0.0f);
    choice (5, "Sync", 0, { "Key", "None", "Tempo" });

    newGroup ("VCO");
    continuous (7, "Wave1", 0.0f);
    continuous (8, "Wave2", 0.0f);
    choice (42, "Octave", 0, { "-2", "-1", "0", "1", "2" });
    continuous (9, "Width1", 0.0f);
    continuous (10, "Width2", 0.0f);
    continuous (11, "Mod", 0.0f);
    range (11, 0.0f, 1.0f, 2);
    choice (12, "Mod target", 0, { "Mod", "Env", "Manual" });
    choice (39, "Vco trig", 0, offOn);
    choice (43, "Vco Sync", 0, offOn);
    continuous (40, "VCO mix", 0.0f, 1);
    continuous (41, "Phase/detune", 0.0f, 1);

    newGroup ("HPF");
    continuous (32, "Cutoff", 0.0f);
    range (32, 0.0f, 12.0f, 0);
    continuous (33, "Res", 0.0f);
    choice (34, "Track", 1, offOn);

    newGroup ("LPF");
    choice (13, "Type", 0, { "12", "18", "24A", "24B" });
    continuous (14, "Drive", 0.0f);
    parameters[15] = group->add (new QmParameter ("Cutoff", 1.0f, c));
    range (15, 1.0f, 11.3f, 0);
    continuous (16, "Res", 0.0f);
    continuous (17, "Env", 0.0f);
    range (17, 0.0f, 9.2f, 0);
    choice (18, "Kbd", 0, offOn);
    continuous (19, "Mod", 0.0f);
    range (19, 0.0f, 5.0f, 2);
    continuous (20, "Osc mod", 0.0f);
    range (20, 0.0f, 8.0f, 2);
    choice (21, "Wheel", 0, offOn);

    newGroup ("Env");
    continuous (22, "A", 0.01f);
    continuous (23, "D", 0.3f);
    continuous (24, "S", 0.0f);
    continuous (25, "R", 0.3f);

    newGroup ("Shaper");
    choice (26, "Type", 0, footages);
    choice (27, "Drive Q", 0, { "0", "1", "2" });
    continuous (28, "Amount", 0.0f);

    newGroup ("Amp");
    continuous (29, "Amount", 0.75f);
    continuous (30, "Amp mod", 0.0f);
    choice (31, "Amp mode", 0, { "Pre", "-", "Post" });

    newGroup ("Params");
    continuous (35, "GlidePoly", 0.0f);
    choice (36, "Glide auto", 0, offOn);
    choice (37, "Mode", 0, { "Mono", "Para", "Unison", "1", "2", "3" });
    choice (38, "spread auto", 0, offOn);
}

void QmSynthEngine::buildVoice (int v)
{
   #if VORLAN_HAS_VCO
    vco = adopt (new QmVCO4Module (context), vcoSlot);
   #endif
   #if VORLAN_HAS_MODULATOR
    modulator = adopt (new QmVorlanModulator (context), modulatorSlot);
   #endif
   #if VORLAN_HAS_AMPLIFIER
    amplifier = adopt (new QmAmplifierModule (context), amplifierSlot);
   #endif
   #if VORLAN_HAS_MULTIFILTER
    multiFilter = adopt (new QmMultiFilterModule (context), multiFilterSlot);
   #endif
   #if VORLAN_HAS_WAVESHAPER
    waveshaper = adopt (new QmWaveshaperModule (context), waveshaperSlot);
   #endif
   #if VORLAN_HAS_MUL
    ampModMul = adopt (new QmMulModule (context), ampModMulSlot);
    envCutoffMul = adopt (new QmMulModule (context), envCutoffMulSlot);
    kbdCutoffMul = adopt (new QmMulModule (context), kbdCutoffMulSlot);
    modCutoffMul = adopt (new QmMulModule (context), modCutoffMulSlot);
    oscCutoffMul = adopt (new QmMulModule (context), oscCutoffMulSlot);
   #endif
   #if VORLAN_HAS_DISPATCHER
    modDispatcher = adopt (new QmVorlanModDispatcher (context), modDispatcherSlot);
   #endif
   #if VORLAN_HAS_SPICE
    spice = adopt (new QmSpiceModule (context), spiceSlot);
   #endif
   #if VORLAN_HAS_HPFILTER
    hpFilter = adopt (new QmHPFilterModule (context), hpFilterSlot);
   #endif

    // 1-2
    wire (controlSlot, "Shifted cv", 0, modulatorSlot, "CV");
    wireParameter (7, vcoSlot, "Wave 1");
    wireParameter (8, vcoSlot, "Wave 2");
    wireParameter (9, vcoSlot, "Width 1", 0);
    wireParameter (10, vcoSlot, "Width 1", 1);
    wireParameter (40, vcoSlot, "Mix");
    wireParameter (41, vcoSlot, "Phase detune");
    wireParameter (42, vcoSlot, "Octave");
    wireParameter (39, vcoSlot, "Retrigger");
    wireParameter (11, vcoSlot, "Mod");
    wireParameter (12, vcoSlot, "Mod type");
    wireParameter (43, vcoSlot, "Sync in");

    // 3-4: the VCO gets the modulator's own signal, the multipliers copies.
    wire (modulatorSlot, "Mod out", 0, vcoSlot, "Mod in");
    wire (modulatorSlot, "Env out", 0, vcoSlot, "Env in");
    wire (modulatorSlot, "Mod out", 0, modCutoffMulSlot, "In A");
    wireParameter (6, modulatorSlot, "Mod velocity");
    wireParameter (5, modulatorSlot, "Mod sync");
    wireParameter (31, modulatorSlot, "Amp mode");
    wireParameter (19, modCutoffMulSlot, "In B");

    // 5-6: keyboard tracking is relative to a CV of 2.0.
   #if VORLAN_HAS_MUL
    kbdCutoffMul->c = -2.0f;
   #endif
    wireParameter (18, kbdCutoffMulSlot, "In B");
    wireParameter (3, modulatorSlot, "ADSR sync");
    wireParameter (20, oscCutoffMulSlot, "In B");

    // 7-9
    wire (vcoSlot, "Osc2", 0, oscCutoffMulSlot, "In A");
    wire (oscCutoffMulSlot, "Out", 0, multiFilterSlot, "Freq in");
    wire (controlSlot, "Shifted cv", 0, kbdCutoffMulSlot, "In A");
    wire (kbdCutoffMulSlot, "Out", 0, multiFilterSlot, "Freq in");
    wire (modCutoffMulSlot, "Out", 0, multiFilterSlot, "Freq in");
    wire (modulatorSlot, "Mod out", 0, ampModMulSlot, "In B");
    wireParameter (30, ampModMulSlot, "In A");
    wire (ampModMulSlot, "Out", 0, amplifierSlot, "Exp mod");

    // 10-12
    wireParameter (1, modulatorSlot, "Freq");
    wireParameter (4, modulatorSlot, "Mod wheel");
    wire (controlSlot, "Mod wheel", 0, modulatorSlot, "Wheel");
    wireParameter (15, multiFilterSlot, "Freq in");
    wireParameter (14, multiFilterSlot, "Drive");
    wireParameter (16, multiFilterSlot, "Res in");
    wireParameter (13, multiFilterSlot, "Type");
    wire (controlSlot, "Shifted gate", 0, modulatorSlot, "Gate");
    wireParameter (22, modulatorSlot, "Attack");
    wireParameter (23, modulatorSlot, "Decay");
    wireParameter (24, modulatorSlot, "Sustain");
    wireParameter (25, modulatorSlot, "Release");

    // 13-15
    wireParameter (28, amplifierSlot, "Gate in", 2);
    wireParameter (38, spiceSlot, "Amount");
    wire (controlSlot, "Shifted cv", 0, spiceSlot, "CV");
    wire (modulatorSlot, "Amp out", 0, amplifierSlot, "Mod in");
    wire (controlSlot, "Shifted gate", 0, amplifierSlot, "Gate in", 0);
    wire (controlSlot, "CV out", v, vcoSlot, "CV");
    wire (controlSlot, "Gate out", v, vcoSlot, "Gate");

    // 16-18
    wire (modulatorSlot, "Env out", 0, envCutoffMulSlot, "In A");
    wireParameter (17, envCutoffMulSlot, "In B");
    wire (envCutoffMulSlot, "Out", 0, multiFilterSlot, "Freq in");
    wireParameter (0, modulatorSlot, "Wave");
    wireParameter (32, hpFilterSlot, "Freq");
    wireParameter (33, hpFilterSlot, "Resonance");
    wire (controlSlot, "CV out", v, hpFilterSlot, "Kbd");
    wireParameter (34, hpFilterSlot, "Mode", 1);
    wire (vcoSlot, "Out", 0, amplifierSlot, "Gate in", 1);
    wire (controlSlot, "CV out", v, waveshaperSlot, "CV");
    wireParameter (29, amplifierSlot, "Amp");

    // 19: the audio path.
    wire (vcoSlot, "Out", 0, hpFilterSlot, "Input");
    wire (hpFilterSlot, "Out", 0, spiceSlot, "Input");
    wire (spiceSlot, "Out", 0, multiFilterSlot, "Audio in");
    wire (multiFilterSlot, "Out", 0, amplifierSlot, "Audio in");
    wire (amplifierSlot, "Out", 0, audioOutSlot, "Audio in", v);

    // 20
    wire (controlSlot, "Mod wheel", 0, modDispatcherSlot, "Input");
    wireParameter (4, modDispatcherSlot, "Selector");
    wire (modDispatcherSlot, "Out", 0, hpFilterSlot, "Freq");
    wire (modDispatcherSlot, "Out", 1, multiFilterSlot, "Freq in");
}

void QmSynthEngine::wire (Slot from, const char* output, int outputIndex, Slot to, const char* input, int inputIndex)
{
    if (modules[from] == nullptr || modules[to] == nullptr)
        return;

    auto* out = modules[from]->findOutput (output, outputIndex);
    auto* in = modules[to]->findInput (input, inputIndex);

    if (out != nullptr && in != nullptr)
        out->connect (in);
    else
        std::printf ("no socket for %s -> %s\n", output, input);
}

void QmSynthEngine::wireParameter (int parameter, Slot to, const char* input, int inputIndex)
{
    if (modules[to] == nullptr)
        return;

    if (auto* in = modules[to]->findInput (input, inputIndex))
        parameters[parameter]->connectTo (in);
    else
        std::printf ("no socket for parameter %d -> %s\n", parameter, input);
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

void QmSynthEngine::dispatchControllers (const std::vector<QmMidiEvent>& events)
{
    if (midiLearn == nullptr)
        return;

    for (const auto& event : events)
    {
        if (event.controller == -1)
            continue;

        if (midiLearn->isLearnMode())
        {
            midiLearn->assignController (event.controller, midiLearn->getLearnTarget());
        }
        else
        {
            const int p = midiLearn->getParameterForController (event.controller);

            if (p >= 0 && p < numParameters)
                parameters[p]->setValue (event.value);
        }
    }
}

void QmSynthEngine::renderPass (float* left, float* right, const std::vector<QmMidiEvent>& events, int n)
{
    dispatchControllers (events);

    context->humNoise->fill (2 * n);
    context->advanceTick();
    context->blockLength = 2 * n;

    std::fill (left, left + n, 0.0f);
    std::fill (right, right + n, 0.0f);

   #if VORLAN_HAS_CONTROL
    control->appendEvents (events);
   #endif

    QmSignal* mix = audioOut->mix;
    mix->clear();
    audioOut->audioIn[0]->clear();
    audioOut->numVoices->requestSignal();

    int count = modules[controlSlot] != nullptr ? audioOut->numVoices->getSignal()->index : 1;
    count = std::clamp (count, 0, (int) QmAudioOutModule::maxVoices);

    for (int i = 0; i < count; ++i)
    {
        audioOut->audioIn[i]->requestSignal();
        mix->mixAdd (audioOut->audioIn[i]->getSignal());
    }

    const int half = (int) ((float) context->blockLength * 0.5f);

    for (int k = 0; k < half; ++k)
        left[k] = audioOut->decimator->process (mix->buffer[2 * k], mix->buffer[2 * k + 1]);

    std::copy (left, left + half, right);

    for (int k = 0; k < half; ++k)
    {
        right[k] = (float) ((double) right[k] * 0.2);
        left[k] = (float) ((double) left[k] * 0.2);
    }
}
