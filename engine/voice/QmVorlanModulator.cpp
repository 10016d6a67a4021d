#include "QmVorlanModulator.h"
#include "QmDriftGenerator.h"
#include "QmDsp.h"
#include "QmFastMath.h"
#include "QmRandom.h"

#include <algorithm>
#include <cmath>
#include <cstring>

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

    using EnvelopeCoefficients = QmVorlanModulator::EnvelopeCoefficients;

    uint32_t bitsOf (float x) noexcept
    {
        uint32_t bits;
        std::memcpy (&bits, &x, sizeof (bits));
        return bits;
    }

    bool sameBits (float a, float b) noexcept { return bitsOf (a) == bitsOf (b); }

    // The exponent field of a positive float, and the power of two above it.
    uint32_t exponentOf (float x) noexcept { return bitsOf (x) >> 23; }

    float nextPowerOfTwo (float x) noexcept
    {
        const uint32_t bits = ((bitsOf (x) >> 23) + 1) << 23;
        float p;
        std::memcpy (&p, &bits, sizeof (p));
        return p;
    }

    // Within one binade of float the sum ph + inc rounds to ph plus inc
    // rounded to the binade's grid: the same step every time, but for a tie,
    // where a step from an odd phase rounds the other way (every step's result
    // is even, and from there the step stays the same). So after two plain
    // steps (rising, inside one binade, no wrap, no key press) the phases up
    // to the binade's top, where the grid changes, or to 1, where the phase
    // wraps, are exactly ph + k step, each product and sum exact on the grid.
    bool plainStep (float before, float ph) noexcept
    {
        return before >= 0.001f && ph > before && exponentOf (before) == exponentOf (ph);
    }

    // The plain steps from ph that stay below the binade's top and below 1,
    // at most limit.
    int plainRunLength (float ph, float step, int limit) noexcept
    {
        const float top = std::min (nextPowerOfTwo (ph), 1.0f);
        int run = std::min ((int) ((top - ph) / step), limit);

        while (run > 0 && ph + (float) run * step >= top)
            --run;

        return run;
    }

    // After such a second step, from before to ph at sample i: the samples
    // that continue so, given to emit (sample, phase), then ph, i and the
    // last gate moved past them. With key sync only while the gate repeats
    // its last value: a non-zero gate cannot press a key, and neither can a
    // gate that stays at 0.
    template <typename Emit>
    void followPlainRun (float before, float& ph, int& i, int n, bool keySync, float& prevGate, const float* gate, Emit emit) noexcept
    {
        const float step = ph - before;
        int run = plainRunLength (ph, step, n - 1 - i);

        if (keySync)
            run = std::min (run, QmFastMath::countRepeats (gate + i + 1, run, prevGate));

        for (int k = 1; k <= run; ++k)
            emit (i + k, ph + (float) k * step);

        ph += (float) run * step;
        i += run;
        prevGate = run > 0 ? gate[i] : prevGate;
    }

    // Whether a step changed none of the fields that the next step reads.
    bool unchangedBy (const QmEnvelopeState& a, const QmEnvelopeState& b) noexcept
    {
        return sameBits (a.y, b.y) && sameBits (a.z, b.z) && a.counter == b.counter
            && sameBits (a.previousGate, b.previousGate) && sameBits (a.target, b.target)
            && sameBits (a.peak, b.peak) && sameBits (a.g, b.g) && sameBits (a.k, b.k);
    }

    EnvelopeCoefficients coefficientsOf (const QmEnvelopeState& state) noexcept
    {
        EnvelopeCoefficients c;
        c.attack = state.attack;
        c.decay = state.decay;
        c.release = state.release;
        c.gA = std::tan (pi / (state.attack * 0.5f + 900.0f));
        c.gD = std::tan (pi / (state.decay + 600.0f));
        c.gR = std::tan (pi / (state.release + 600.0f));
        c.kA = 1.0f / (1.0f + c.gA);
        c.kD = 1.0f / (1.0f + c.gD);
        c.kR = 1.0f / (1.0f + c.gR);
        return c;
    }

    // One sample of the ADSR kernel; returns the output.
    inline float adsrStep (QmEnvelopeState& env, const EnvelopeCoefficients& c, float gateSample) noexcept
    {
        auto useAttack = [&] { env.g = c.gA; env.k = c.kA; };
        auto useDecay = [&] { env.g = c.gD; env.k = c.kD; };
        const float v = env.velocityAmount;
        const float s = env.sustain;

        bool trig;
        float x = takeMark (gateSample, env.retrigger, trig);

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
            env.g = c.gR;
            env.k = c.kR;
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

        env.previousGate = x;
        return o;
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

    const float attack = attackCurve.of (attackIn->getSignal()->value) * 1.0e6f * r * 2.0f;
    const float decay = decayCurve.of (decayIn->getSignal()->value) * 1.0e6f * r;
    const float release = std::max (releaseCurve.of (releaseIn->getSignal()->value) * 1.0e6f * r, 50.0f);
    const float sustain = sustainIn->getSignal()->value;
    const float velocity = modVelocityIn->getSignal()->value;
    wow.time = freqCurve.of (freqIn->getSignal()->value) * 1.0e6f * r;

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

    renderEnvelope (envelopes[0], coefficients[0], gate->buffer, envSignal.buffer, n);
    renderEnvelope (envelopes[1], coefficients[1], gate->buffer, ampSignal.buffer, n);

    ampOut->pushSignal (&ampSignal);
    modOut->pushSignal (&modSignal);
    envOut->pushSignal (&envSignal);
}

void QmVorlanModulator::reset()
{
    // process() sets the times, levels and modes before the envelopes run.
    for (auto& env : envelopes)
        env = QmEnvelopeState();

    wow = QmWowEnvelope();
    previousGate = 0.0f;
    driftTap->restart();
}

float QmVorlanModulator::TimeCurve::of (float v) noexcept
{
    if (! (v == value))
    {
        value = v;
        curve = timeCurve (v);
    }

    return curve;
}

bool QmVorlanModulator::isIdle() const noexcept
{
    for (const auto& env : envelopes)
        if (env.previousGate != 0.0f || ! (std::abs (env.y) <= idleLevel && std::abs (env.z) <= idleLevel))
            return false;

    return waveIn->getSignal()->index != wowEnvelope || std::abs (wow.level) <= idleLevel;
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

    const float inc = modSyncIn->getSignal()->index == tempoSync ? followTempo() : (std::pow (2.0f, 12.0f * freq) / 70.0f) / rate;

    // Locals, so that the stores to the buffers cannot alias the state.
    float ph = phase, held = heldValue, prevGate = previousGate;

    switch (waveIn->getSignal()->index)
    {
        case sine:
        case square:
        {
            const bool isSine = waveIn->getSignal()->index == sine;
            renderCycle (ph, prevGate, inc, keySync, isSine, gate, lfo, out, n);

            if (isSine)
                QmFastMath::sinBlock (out, out, n);
            break;
        }

        case sampleAndHold:
            renderSampleAndHold (ph, held, prevGate, inc, keySync, gate, lfo, out, n);
            break;

        case noise:
            // Wrapped like the other waves, so the LFO gate keeps running.
            for (int i = 0; i < n; ++i)
            {
                ph += inc;
                if (ph >= 1.0f)
                    ph -= 1.0f;

                lfo[i] = ph < 0.5f ? 1.0f : 0.0f;
            }

            driftTap->read (out, n);
            break;

        case wowEnvelope:
            wow.velocityAmount = modVelocityIn->getSignal()->value;
            wow.decay = std::pow (2.0f, (1.0f - modDecayIn->getSignal()->value) * 8.0f);
            wow.rate = freqCurve.of (freq) * 100000.0f;
            envelopeCurve (wow, gate, out, n);

            for (int i = 0; i < n; ++i)
                out[i] *= 2.0f;
            break;

        case pitchSine:
        {
            cv->pitchToFrequency();
            const float* frequency = cv->buffer;

            for (int i = 0; i < n; ++i)
            {
                ph += (frequency[i] / rate) * 0.5f;
                if (ph >= 1.0f)
                    ph -= 1.0f;

                out[i] = twoPi * ph;
            }

            QmFastMath::sinBlock (out, out, n);
            break;
        }

        default:
            std::fill (out, out + n, 0.0f);
            break;
    }

    phase = ph;
    heldValue = held;
    previousGate = prevGate;

    // Wheel option "Mod" scales the wave by the mod wheel.
    if (modWheelIn->getSignal()->index == 3)
        modSignal.multiply (wheelIn->getSignal());
}

float QmVorlanModulator::followTempo() noexcept
{
    // One cycle per beat at the centre; up to 8 cycles per beat or 8 beats per cycle.
    const float perBeat = (context->tempo / context->sampleRate) / 60.0f;
    const float v = 2.0f * freqIn->getSignal()->value - 1.0f;
    const float m = std::floor (std::fabs (7.0f * v)) + 1.0f;

    // Starting the transport starts a cycle on the next sample.
    if (context->playing != 0 && previousPlaying == 0)
        phase = 1.0f;

    previousPlaying = context->playing;
    return v < 0.0f ? perBeat / m : perBeat * m;
}

void QmVorlanModulator::followHostTime (int n) noexcept
{
    if (modSyncIn->getSignal()->index != tempoSync)
        return;

    const float inc = followTempo();
    const int wave = waveIn->getSignal()->index;

    // The waves whose phase steps by inc; the others leave it where it is.
    if (wave == sine || wave == square || wave == sampleAndHold || wave == noise)
        advancePhase (phase, inc, n);
}

void QmVorlanModulator::advancePhase (float& phase, float inc, int n) noexcept
{
    float ph = phase;
    bool lastStepPlain = false;

    for (int i = 0; i < n; ++i)
    {
        const float before = ph;
        ph += inc;

        // A step too short to move the phase never will.
        if (ph == before)
            break;

        bool plain = true;

        if (ph >= 1.0f)
        {
            ph -= 1.0f;
            plain = false;
        }

        plain = plain && plainStep (before, ph);

        if (plain && lastStepPlain)
        {
            const float step = ph - before;
            const int run = plainRunLength (ph, step, n - 1 - i);
            ph += (float) run * step;
            i += run;
        }

        lastStepPlain = plain;
    }

    phase = ph;
}

void QmVorlanModulator::renderCycle (float& phase, float& previousGate, float inc, bool keySync, bool isSine,
                                      const float* gate, float* lfo, float* out, int n) noexcept
{
    // Locals, so that the stores to the buffers cannot alias the state.
    float ph = phase, prevGate = previousGate;
    bool lastStepPlain = false;

    for (int i = 0; i < n; ++i)
    {
        const float before = ph;
        ph += inc;
        bool plain = true;

        if (ph >= 1.0f)
        {
            ph -= 1.0f;
            plain = false;
        }

        if (keySync && prevGate == 0.0f && gate[i] > 0.0f)
        {
            ph = 0.0f;
            plain = false;
        }

        prevGate = gate[i];
        lfo[i] = ph < 0.5f ? 1.0f : 0.0f;
        out[i] = isSine ? twoPi * ph : lfo[i];
        plain = plain && plainStep (before, ph);

        if (plain && lastStepPlain)
            followPlainRun (before, ph, i, n, keySync, prevGate, gate, [&] (int j, float p)
            {
                lfo[j] = p < 0.5f ? 1.0f : 0.0f;
                out[j] = isSine ? twoPi * p : lfo[j];
            });

        lastStepPlain = plain;
    }

    phase = ph;
    previousGate = prevGate;
}

void QmVorlanModulator::renderSampleAndHold (float& phase, float& held, float& previousGate, float inc, bool keySync,
                                              const float* gate, float* lfo, float* out, int n) noexcept
{
    // Locals, so that the stores to the buffers cannot alias the state.
    float ph = phase, value = held, prevGate = previousGate;
    bool lastStepPlain = false;

    for (int i = 0; i < n; ++i)
    {
        const float before = ph;
        ph += inc;
        bool plain = true;

        // A key press from silence draws a new value at once.
        if (keySync && prevGate == 0.0f && gate[i] > 0.0f)
        {
            ph = inc + 1.0f;
            plain = false;
        }

        prevGate = gate[i];

        if (ph >= 1.0f)
        {
            ph -= 1.0f;
            value = (float) (qmRand() % 1000) * 0.001f * 2.0f - 1.0f;
            plain = false;
        }

        lfo[i] = ph < 0.5f ? 1.0f : 0.0f;
        out[i] = value;

        plain = plain && plainStep (before, ph);

        if (plain && lastStepPlain)
            followPlainRun (before, ph, i, n, keySync, prevGate, gate, [&] (int j, float p)
            {
                lfo[j] = p < 0.5f ? 1.0f : 0.0f;
                out[j] = value;
            });

        lastStepPlain = plain;
    }

    phase = ph;
    held = value;
    previousGate = prevGate;
}

float QmVorlanModulator::waveStep (WaveState& s, int wave, float inc, bool keySync, float gate, float& lfo) noexcept
{
    s.phase += inc;
    const bool pressed = keySync && s.previousGate == 0.0f && gate > 0.0f;
    s.previousGate = gate;

    if (wave == sampleAndHold)
    {
        // A key press draws at once; so does every wrap.
        s.phase = pressed ? inc + 1.0f : s.phase;

        if (s.phase >= 1.0f)
        {
            s.phase -= 1.0f;
            s.held = (float) (qmRand() % 1000) * 0.001f * 2.0f - 1.0f;
        }
    }
    else
    {
        s.phase = pressed ? 0.0f : (s.phase >= 1.0f ? s.phase - 1.0f : s.phase);
        s.held = wave == sine ? twoPi * s.phase : (s.phase < 0.5f ? 1.0f : 0.0f);
    }

    lfo = s.phase < 0.5f ? 1.0f : 0.0f;
    return s.held;
}

void QmVorlanModulator::renderEnvelope (QmEnvelopeState& state, const float* gate, float* out, int n) noexcept
{
    EnvelopeCoefficients c;
    renderEnvelope (state, c, gate, out, n);
}

void QmVorlanModulator::renderEnvelope (QmEnvelopeState& state, EnvelopeCoefficients& c, const float* gate, float* out, int n) noexcept
{
    // The times change far less often than blocks come.
    if (! (c.attack == state.attack && c.decay == state.decay && c.release == state.release))
        c = coefficientsOf (state);

    // A local copy, so that the stores to out cannot alias the state.
    QmEnvelopeState env = state;

    for (int i = 0; i < n; ++i)
    {
        const QmEnvelopeState before = env;
        const float o = adsrStep (env, c, gate[i]);
        out[i] = o;

        // A step that left the state as it was repeats itself exactly for as
        // long as the gate sample stays the same: a held sustain or a
        // finished release.
        if (unchangedBy (before, env))
        {
            const int repeats = QmFastMath::countRepeats (gate + i + 1, n - i - 1, gate[i]);
            std::fill (out + i + 1, out + i + 1 + repeats, o);
            i += repeats;
        }
    }

    state = env;
}

float QmVorlanModulator::envelopeStep (QmEnvelopeState& env, float gate) noexcept
{
    return adsrStep (env, coefficientsOf (env), gate);
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

    // Local copies, so that the stores to out cannot alias the state.
    QmOnePole smoother = env.smoother;
    float level = env.level, previousGate = env.previousGate;

    for (int i = 0; i < n; ++i)
    {
        bool trig;
        const float x = takeMark (gate[i], env.retrigger, trig);

        if ((x > 0.0f && previousGate == 0.0f) || trig)
            level = env.start = 1.0f - v + v * x;

        previousGate = x;
        level *= d;
        out[i] = smoother.step (level);
    }

    env.smoother = smoother;
    env.level = level;
    env.previousGate = previousGate;
}
