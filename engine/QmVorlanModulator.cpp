#include "QmVorlanModulator.h"
#include "QmDriftGenerator.h"
#include "QmDsp.h"
#include "QmRandom.h"

#include <algorithm>
#include <cmath>

namespace
{
    constexpr float twoPi = 6.2831855f;
    constexpr float pi = 3.1415927f;

    // Knob curve of every time the modulator derives from a 0..1 value.
    float timeCurve (float value) { return expCurve (value, 3.0f); }

    // A gate sample above 1 carries a retrigger mark: strips it, and reports
    // a retrigger when the envelope honours marks.
    float takeMark (float x, uint8_t retrigger, bool& trig) noexcept
    {
        trig = x > 1.0f && retrigger != 0;
        return x > 1.0f ? x - 1.0f : x;
    }
}

QmVorlanModulator::QmVorlanModulator (QmProcessContext* c)
    : QmModule (c),
      lfoGate (QmSignal::block, c),
      envSignal (QmSignal::block, c),
      modSignal (QmSignal::block, c),
      ampSignal (QmSignal::block, c)
{
    name = "Vorlan moduator";

    gateIn = addInput ("Gate", QmSignal::block);
    attackIn = addInput ("Attack", QmSignal::scalar);
    decayIn = addInput ("Decay", QmSignal::scalar);
    sustainIn = addInput ("Sustain", QmSignal::scalar);
    releaseIn = addInput ("Release", QmSignal::scalar);
    adsrSyncIn = addInput ("ADSR sync", QmSignal::scalar);
    cvIn = addInput ("CV", QmSignal::block);
    waveIn = addInput ("Wave", QmSignal::scalar);
    freqIn = addInput ("Freq", QmSignal::scalar);
    modDecayIn = addInput ("Mod decay", QmSignal::scalar);
    modVelocityIn = addInput ("Mod velocity", QmSignal::scalar);
    modWheelIn = addInput ("Mod wheel", QmSignal::scalar);
    modSyncIn = addInput ("Mod sync", QmSignal::scalar);
    wheelIn = addInput ("Wheel", QmSignal::block);
    ampOut = addOutput ("Amp out", QmSignal::block);
    modOut = addOutput ("Mod out", QmSignal::block);
    envOut = addOutput ("Env out", QmSignal::block);
    ampModeIn = addInput ("Amp mode", QmSignal::scalar);

    driftTap.reset (c->drift->createTap (0));
}

QmVorlanModulator::~QmVorlanModulator() = default;

void QmVorlanModulator::process()
{
    const int n = context->blockLength;
    const float r = context->sampleRate / 88200.0f;
    const int adsrSync = adsrSyncIn->getSignal()->index;

    const uint8_t retrigger = adsrSync == 0 ? 1 : 0;
    envelopes[0].retrigger = envelopes[1].retrigger = wow.retrigger = retrigger;

    const float attack = timeCurve (attackIn->getSignal()->value) * 1.0e6f * r * 2.0f;
    const float decay = timeCurve (decayIn->getSignal()->value) * 1.0e6f * r;
    const float release = std::max (timeCurve (releaseIn->getSignal()->value) * 1.0e6f * r, 50.0f);
    const float sustain = sustainIn->getSignal()->value;
    const float velocity = modVelocityIn->getSignal()->value;
    wow.time = timeCurve (freqIn->getSignal()->value) * 1.0e6f * r;

    for (auto& env : envelopes)
    {
        env.sampleRate = (int32_t) context->sampleRate;
        env.decay = decay;
        env.release = release;
        env.velocityAmount = velocity;
    }

    envelopes[0].attack = attack;
    envelopes[0].sustain = sustain;

    // "Pre" is a fast gate-like envelope, "-" keeps full sustain, "Post"
    // follows the filter envelope.
    const int ampMode = ampModeIn->getSignal()->index;
    envelopes[1].attack = ampMode == 0 ? 100.0f * r : attack;
    envelopes[1].sustain = ampMode == 2 ? sustain : 1.0f;

    renderModulation();

    QmSignal* gate = gateIn->getSignal();

    // Retrigger both envelopes at the LFO rate while a key is held.
    if (adsrSync == 2)
        gate->multiply (&lfoGate);

    renderEnvelope (envelopes[0], gate->buffer, envSignal.buffer, n);
    renderEnvelope (envelopes[1], gate->buffer, ampSignal.buffer, n);

    ampOut->pushSignal (&ampSignal);
    modOut->pushSignal (&modSignal);
    envOut->pushSignal (&envSignal);
}

void QmVorlanModulator::renderModulation()
{
    const int n = context->blockLength;
    const float rate = context->sampleRate;
    const float freq = freqIn->getSignal()->value;
    const bool keySync = modSyncIn->getSignal()->index == 0;
    const float* gate = gateIn->getSignal()->buffer;
    float* out = modSignal.buffer;
    float* lfo = lfoGate.buffer;
    QmSignal* cv = cvIn->getSignal();

    std::fill (lfo, lfo + n, 1.0f);
    cv->addConstant (4.0f * freq - 2.0f);

    float inc;

    if (modSyncIn->getSignal()->index == 2)
    {
        // One cycle per beat at the centre; up to 8 cycles per beat or 8 beats per cycle.
        const float perBeat = (context->tempo / rate) / 60.0f;
        const float v = 2.0f * freq - 1.0f;
        const float m = std::floor (std::fabs (7.0f * v)) + 1.0f;
        inc = v < 0.0f ? perBeat / m : perBeat * m;

        // Starting the transport starts a cycle on the next sample.
        if (context->playing != 0 && previousPlaying == 0)
            phase = 1.0f;

        previousPlaying = context->playing;
    }
    else
    {
        inc = (std::pow (2.0f, 12.0f * freq) / 70.0f) / rate;
    }

    switch (waveIn->getSignal()->index)
    {
        case sine:
        case square:
        {
            const bool isSine = waveIn->getSignal()->index == sine;

            for (int i = 0; i < n; ++i)
            {
                phase += inc;
                if (phase >= 1.0f)
                    phase -= 1.0f;

                if (keySync && previousGate == 0.0f && gate[i] > 0.0f)
                    phase = 0.0f;

                previousGate = gate[i];
                lfo[i] = phase < 0.5f ? 1.0f : 0.0f;
                out[i] = isSine ? std::sin (twoPi * phase) : lfo[i];
            }
            break;
        }

        case sampleAndHold:
            for (int i = 0; i < n; ++i)
            {
                phase += inc;

                // A key press from silence draws a new value at once.
                if (keySync && previousGate == 0.0f && gate[i] > 0.0f)
                    phase = inc + 1.0f;

                previousGate = gate[i];

                if (phase >= 1.0f)
                {
                    phase -= 1.0f;
                    heldValue = (float) (qmRand() % 1000) * 0.001f * 2.0f - 1.0f;
                }

                lfo[i] = phase < 0.5f ? 1.0f : 0.0f;
                out[i] = heldValue;
            }
            break;

        case noise:
            // Wrapped like the other waves, so the LFO gate keeps running.
            for (int i = 0; i < n; ++i)
            {
                phase += inc;
                if (phase >= 1.0f)
                    phase -= 1.0f;

                lfo[i] = phase < 0.5f ? 1.0f : 0.0f;
            }

            driftTap->read (out, n);
            break;

        case wowEnvelope:
            wow.velocityAmount = modVelocityIn->getSignal()->value;
            wow.decay = std::pow (2.0f, (1.0f - modDecayIn->getSignal()->value) * 8.0f);
            wow.rate = timeCurve (freq) * 100000.0f;
            envelopeCurve (wow, gate, out, n);

            for (int i = 0; i < n; ++i)
                out[i] *= 2.0f;
            break;

        case pitchSine:
            cv->pitchToFrequency();

            for (int i = 0; i < n; ++i)
            {
                phase += (cv->buffer[i] / rate) * 0.5f;
                if (phase >= 1.0f)
                    phase -= 1.0f;

                out[i] = std::sin (twoPi * phase);
            }
            break;

        default:
            std::fill (out, out + n, 0.0f);
            break;
    }

    // Wheel option "Mod" scales the wave by the mod wheel.
    if (modWheelIn->getSignal()->index == 3)
        modSignal.multiply (wheelIn->getSignal());
}

void QmVorlanModulator::renderEnvelope (QmEnvelopeState& env, const float* gate, float* out, int n) noexcept
{
    const float gA = std::tan (pi / (env.attack * 0.5f + 900.0f));
    const float gD = std::tan (pi / (env.decay + 600.0f));
    const float gR = std::tan (pi / (env.release + 600.0f));
    const float kA = 1.0f / (1.0f + gA);
    const float kD = 1.0f / (1.0f + gD);
    const float kR = 1.0f / (1.0f + gR);

    auto useAttack = [&] { env.g = gA; env.k = kA; };
    auto useDecay = [&] { env.g = gD; env.k = kD; };
    const float v = env.velocityAmount;
    const float s = env.sustain;

    for (int i = 0; i < n; ++i)
    {
        bool trig;
        float x = takeMark (gate[i], env.retrigger, trig);

        if (x > 0.0f)
            x = 1.0f - v + v * x;

        if (x > env.previousGate || trig)
        {
            if (env.previousGate != 0.0f && ! trig)
            {
                // The level rose while held: move to the new sustain.
                env.peak = 2.0f;
                env.target = x * s;
                if (x > env.y) useAttack(); else useDecay();
            }
            else if (x > env.y)
            {
                // The attack aims at twice the level and stops at the level.
                env.peak = x;
                env.target = 2.0f * x;
                useAttack();
            }
        }

        if (x == 0.0f)
        {
            env.g = gR;
            env.k = kR;
            env.counter = 0;
            env.target = 0.0f;
        }

        const float yl = (env.target * env.g + env.z) * env.k;
        float o = (env.target - yl) * env.g + env.z;
        env.y = o;
        env.z = (env.target - yl) * env.g + o;

        if (x > 0.0f)
        {
            if (o > env.peak)
            {
                env.z = env.peak;
                o = env.y = env.peak;
                useDecay();
                env.target = x * s;
            }

            if (env.target > o) useAttack(); else useDecay();

            if (env.peak >= env.target)
                env.target = x * s;
        }

        out[i] = o;
        env.previousGate = x;
    }
}

void QmVorlanModulator::envelopeCurve (QmWowEnvelope& env, const float* gate, float* out, int n) noexcept
{
    // 75 Hz low-pass against the 44100 Hz reference.
    env.smoother.a = std::exp (-0.010685689f);
    env.smoother.b0 = 1.0f - env.smoother.a;
    env.smoother.b1 = 0.0f;

    // The level falls tenfold over time / 4 + 600 samples.
    const float d = std::pow (0.1f, 1.0f / (env.time * 0.25f + 600.0f));
    const float v = env.velocityAmount;

    for (int i = 0; i < n; ++i)
    {
        bool trig;
        const float x = takeMark (gate[i], env.retrigger, trig);

        if ((x > 0.0f && env.previousGate == 0.0f) || trig)
            env.level = env.start = 1.0f - v + v * x;

        env.previousGate = x;
        env.level *= d;
        out[i] = env.smoother.step (env.level);
    }
}
