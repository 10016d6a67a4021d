#include "QmVCO4Module.h"
#include "QmDriftGenerator.h"
#include "QmDriftTap.h"
#include "QmHumNoiseSource.h"

#include <juce_audio_basics/juce_audio_basics.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

struct QmVCO4Module::BlockInputs
{
    int n;
    float rate;
    const float* frequency;
    const float* gate;
    const float* hum;
    float mix;
    float wave2;
    float octave;
    bool sync;
    bool retrigger;
};

QmVCO4Module::QmVCO4Module (QmProcessContext* c)
    : QmModule (c),
      cvIn (addInput ("CV", QmSignal::block)),
      gateIn (addInput ("Gate", QmSignal::block)),
      mixIn (addInput ("Mix", QmSignal::scalar)),
      phaseDetuneIn (addInput ("Phase detune", QmSignal::scalar)),
      wave1In (addInput ("Wave 1", QmSignal::scalar)),
      wave2In (addInput ("Wave 2", QmSignal::scalar)),
      width1In (addInput ("Width 1", QmSignal::scalar)),
      width2In (addInput ("Width 1", QmSignal::scalar)),
      octaveIn (addInput ("Octave", QmSignal::scalar)),
      modIn (addInput ("Mod", QmSignal::scalar)),
      modTypeIn (addInput ("Mod type", QmSignal::scalar)),
      modSourceIn (addInput ("Mod in", QmSignal::block)),
      envIn (addInput ("Env in", QmSignal::block)),
      syncIn (addInput ("Sync in", QmSignal::scalar)),
      out (addOutput ("Out", QmSignal::block)),
      osc2Out (addOutput ("Osc2", QmSignal::block)),
      retriggerIn (addInput ("Retrigger", QmSignal::scalar)),
      core1 (c),
      core2 (c),
      driftTap (c->drift->createTap (0)),
      output (QmSignal::block, c),
      osc2 (QmSignal::block, c),
      phaseDetune (QmSignal::block, c),
      shape (QmSignal::block, c),
      driftNoise (QmSignal::block, c)
{
    name = "VCO4";
    core2.smoothing = 1;
    sampleRateChanged();
}

QmVCO4Module::~QmVCO4Module() = default;

void QmVCO4Module::sampleRateChanged()
{
    core1.init();
    core2.init();
    highPass.setFrequencyAtRate (3.0f, context->sampleRate, true);
}

float QmVCO4Module::renderCore1 (const BlockInputs& in, int i, float& d1)
{
    const float g = in.gate[i];
    if (in.retrigger && previousGate == 0.0f && g > 0.0f)
        phase1 = phase2 = 0.0f;
    previousGate = g;

    d1 = in.frequency[i] / in.rate;
    return core1.render (phase1, d1, shape.buffer[i], -1.0f);
}

void QmVCO4Module::process()
{
    const int n = context->blockLength;

    output.clear();

    const float pd = phaseDetuneIn->getSignal()->value;
    const float mod = modIn->getSignal()->value;
    const int type = modTypeIn->getSignal()->index;

    std::fill (phaseDetune.buffer, phaseDetune.buffer + n, pd);
    std::fill (shape.buffer, shape.buffer + n, wave1In->getSignal()->value);
    driftTap->read (driftNoise.buffer, n);

    QmSignal* cv = cvIn->getSignal();

    if (mod > 0.0f)
    {
        const QmSignal* source = modSourceIn->getSignal();

        if (type == 1)
        {
            phaseDetune.addScaled (source, mod);
        }
        else if (type == 0)
        {
            shape.addScaled (source, mod);
            shape.clamp (0.0f, 1.0f);
        }
        else if (type == 2)
        {
            cv->addScaled (source, mod);
        }
    }

    cv->pitchToFrequency();

    BlockInputs in;
    in.n = n;
    in.rate = context->sampleRate;
    in.frequency = cv->buffer;
    in.gate = gateIn->getSignal()->buffer;
    in.hum = context->humNoise->hum;
    in.mix = mixIn->getSignal()->value;
    in.wave2 = wave2In->getSignal()->value;
    in.octave = std::pow (2.0f, (float) ((double) octaveIn->getSignal()->index - 2.0));
    in.sync = syncIn->getSignal()->index > 0;
    in.retrigger = retriggerIn->getSignal()->value > 0.0f;

    const bool sawNaN = pd < 0.5f ? renderPhaseOffset (in) : renderDetune (in);

    // once per block: never print per sample on the audio thread
    if (sawNaN)
        std::printf ("nan osc");

    output.addScaled (&driftNoise, 0.0002f);

    for (int i = 0; i < n; ++i)
        output.buffer[i] = highPass.step (output.buffer[i]);

    out->pushSignal (&output);
    osc2Out->pushSignal (&osc2);
}

static float mixCores (float o1, float o2, float mix)
{
    return (float) ((double) o1 * (1.0 - (double) mix) + (double) (o2 * mix));
}

bool QmVCO4Module::renderPhaseOffset (const BlockInputs& in)
{
    const float oct = in.octave;
    bool sawNaN = false;

    for (int i = 0; i < in.n; ++i)
    {
        float d1;
        const float o1 = renderCore1 (in, i, d1);

        const float d2 = (oct * in.frequency[i]) / in.rate;
        float off = oct * phaseDetune.buffer[i];
        if (oct <= 1.0f) off = (float) ((double) off * 2.0);
        if (oct == 4.0f) off = (float) ((double) off * 0.5);

        const float o2 = core2.render (oct * phase1 + off, (off - previousOffset) + d2, in.wave2, -1.0f);

        phase1 = phase1 + d1;
        previousOffset = off;

        const float mixed = mixCores (o1, o2, in.mix);

        // a wrap by 4 is a whole number of cycles for every octave ratio
        if (phase1 > 4.0f)
            phase1 = phase1 - 4.0f;

        osc2.buffer[i] = o2;
        output.buffer[i] = (float) ((double) in.hum[i] * 0.0001 + (double) mixed);
        sawNaN = sawNaN || std::isnan (mixed);
    }

    return sawNaN;
}

bool QmVCO4Module::renderDetune (const BlockInputs& in)
{
    // upper half of the knob: detune from 2^0 up to 2^1
    phaseDetune.addConstant (-0.5f);
    juce::FloatVectorOperations::multiply (phaseDetune.buffer, 2.0f, in.n);

    // phase-offset mode lets phase 1 run up to 4
    if (phase1 >= 1.0f)
        phase1 = qmWrapPhase (phase1);

    const float oct = in.octave;
    bool sawNaN = false;

    for (int i = 0; i < in.n; ++i)
    {
        float d1;
        const float o1 = renderCore1 (in, i, d1);

        // hard sync: the part of the sample before core 1 wraps
        float s = -1.0f;
        if (in.sync && d1 + phase1 > 1.0f)
        {
            const float after = (float) ((double) ((d1 + phase1) - 1.0f) / (double) d1);
            s = (float) (1.0 - (double) after);
        }

        const float d2 = std::pow (2.0f, phaseDetune.buffer[i]) * d1 * oct;
        const float o2 = core2.render (phase2, d2, in.wave2, s);

        const float mixed = mixCores (o1, o2, in.mix);
        output.buffer[i] = mixed;

        phase1 = phase1 + d1;
        if (phase1 >= 1.0f)
            phase1 = phase1 - 1.0f;

        if (s == -1.0f)
        {
            phase2 = phase2 + d2;
            if (phase2 > 1.0f)
                phase2 = phase2 - 1.0f;
        }
        else
        {
            phase2 = (1.0f - s) * d2;
        }

        osc2.buffer[i] = o2;
        sawNaN = sawNaN || std::isnan (mixed);
    }

    return sawNaN;
}
