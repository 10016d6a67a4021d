#include "QmVCO4Module.h"
#include "QmDiagnostics.h"
#include "QmDriftGenerator.h"
#include "QmDriftTap.h"
#include "QmHumNoiseSource.h"

#include <juce_audio_basics/juce_audio_basics.h>

#include "QmSimd.h"

#include <algorithm>
#include <cmath>

struct QmVCO4Module::BlockInputs
{
    int n;
    float rate;
    float* frequency;           // the pitches, which each mode turns into frequencies in place
    const float* gate;
    const float* hum;
    float mix;
    float wave2;
    float octave;
    bool sync;
    bool retrigger;
    bool shapeModulated;
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
    core2.callerSmooths = true;
    sampleRateChanged();
}

QmVCO4Module::~QmVCO4Module() = default;

void QmVCO4Module::sampleRateChanged()
{
    core1.init();
    core2.init();
    highPass.setFrequencyAtRate (3.0f, context->sampleRate, true);
}

void QmVCO4Module::reset()
{
    phase1 = phase2 = previousGate = previousOffset = 0.0f;
    core1.reset();
    core2.reset();
    highPass.clear();
    driftTap->restart();
}

void QmVCO4Module::process()
{
    // no clearing of the outputs: each mode writes every sample of both
    const int n = context->blockLength;

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
    in.shapeModulated = mod > 0.0f && type == 0;

    const bool sawNaN = pd < 0.5f ? renderPhaseOffset (in) : renderDetune (in);

    // once per block; printed later, on the message thread
    if (sawNaN)
        QmDiagnostics::record (QmDiagnostics::oscillatorNaN);

    out->pushSignal (&output);
    osc2Out->pushSignal (&osc2);
}

namespace
{
    /** A group of up to four samples: their pitches f turned into frequencies
        in place, and core 1's increments (frequency / rate) into d1; returns
        the frequencies. The buffers hold whole groups of four (reading past
        the block stays inside them); only the group's pitches are written. */
    QM_SIMD_INLINE __m128 groupIncrements (float* f, float* d1, int four, float rate) noexcept
    {
        const __m128 frequency = QmSignal::frequencyOf (_mm_loadu_ps (f));

        if (four == 4)
            _mm_storeu_ps (f, frequency);
        else
            QmSimd::storeTail (f, frequency, four);

        _mm_storeu_ps (d1, _mm_div_ps (frequency, _mm_set1_ps (rate)));
        return frequency;
    }

    /** Phase-offset mode's part of a group: core 2's increments at the octave
        ratio into d2, and the offsets (octave x phase/detune x offScale). */
    QM_SIMD_INLINE void offsetGroup (__m128 frequency, const float* pd, float octave, float rate, float offScale,
                      float* d2, float* offsets) noexcept
    {
        const __m128 oct = _mm_set1_ps (octave);
        _mm_storeu_ps (d2, _mm_div_ps (_mm_mul_ps (oct, frequency), _mm_set1_ps (rate)));
        _mm_storeu_ps (offsets, _mm_mul_ps (_mm_mul_ps (oct, _mm_loadu_ps (pd)), _mm_set1_ps (offScale)));
    }
}

bool QmVCO4Module::finishChunk (const float* o1, const BlockInputs& in, const float* hum, int start, int m)
{
    // One sample at a time: core 2's smoother and the high-pass are both
    // recurrences, and in one loop each runs while the other waits.
    float* o2 = osc2.buffer + start;
    float* out = output.buffer + start;
    const float* drift = driftNoise.buffer + start;
    const bool smoothed = core2.isSmoothing();
    const double keep = 1.0 - (double) in.mix;
    const float mix = in.mix;
    const bool plain = mix == 0.0f;
    QmOnePole smooth = core2.smoother;
    QmOnePole hp = highPass;
    int nan = 0;

    for (int i = 0; i < m; ++i)
    {
        if (smoothed)
            o2[i] = smooth.step (o2[i]);

        // o1 (1 - mix) + o2 mix, then the trace of hum (phase-offset mode) and drift
        // noise; with mix 0 the sum in double is exact, and so the one in float
        float v = plain ? o1[i] + o2[i] * mix : (float) ((double) o1[i] * keep + (double) (o2[i] * mix));
        nan |= v != v;

        if (hum != nullptr)
            v = (float) ((double) hum[i] * 0.0001 + (double) v);

        v += drift[i] * 0.0002f;
        out[i] = hp.step (v);
    }

    core2.smoother = smooth;
    highPass = hp;
    return nan != 0;
}

QmVCO4Module::Chunk QmVCO4Module::beginChunk (const BlockInputs& in, int start, bool* resets)
{
    const int m = std::min (chunk, in.n - start);
    trackGate (in, start, m, resets);
    return { m, in.frequency + start, phaseDetune.buffer + start };
}

void QmVCO4Module::trackGate (const BlockInputs& in, int start, int m, bool* resets)
{
    // without retrigger only the last gate matters, for the next block's edge
    if (! in.retrigger)
    {
        std::fill (resets, resets + m, false);
        previousGate = in.gate[start + m - 1];
        return;
    }

    for (int i = 0; i < m; ++i)
    {
        const float g = in.gate[start + i];
        resets[i] = previousGate == 0.0f && g > 0.0f;
        previousGate = g;
    }
}

// Each mode works through the block in chunks: first the phases and increments
// of both cores (they never depend on the sound), then each core renders its
// run in one go, then the mix.

bool QmVCO4Module::renderPhaseOffset (const BlockInputs& in)
{
    const float oct = in.octave;
    // the offset's extra factor for the outer ratios (powers of two: exact in float)
    const float offScale = oct <= 1.0f ? 2.0f : oct == 4.0f ? 0.5f : 1.0f;
    bool sawNaN = false;

    // room for the last group of four; offsets[0] is the last one before the chunk
    float p1[chunk], d1[chunk + 3], p2[chunk], d2[chunk + 3], offsets[chunk + 4], o1[chunk];
    bool resets[chunk];

    for (int start = 0; start < in.n; start += chunk)
    {
        const auto [m, f, pd] = beginChunk (in, start, resets);
        float ph1 = phase1;
        offsets[0] = previousOffset;

        // Four samples at a time: their frequencies, increments and offsets,
        // then core 1's phases. The conversion is all arithmetic, the phase a
        // chain of additions; in one loop they overlap.
        for (int g = 0; g < m; g += 4)
        {
            const int four = std::min (4, m - g);
            const __m128 frequency = groupIncrements (f + g, d1 + g, four, in.rate);
            offsetGroup (frequency, pd + g, oct, in.rate, offScale, d2 + g, offsets + 1 + g);

            for (int i = g; i < g + four; ++i)
            {
                if (resets[i])
                    ph1 = phase2 = 0.0f;

                p1[i] = ph1;
                ph1 = ph1 + d1[i];

                // a wrap by 4 is a whole number of cycles for every octave ratio
                if (ph1 > 4.0f)
                    ph1 = ph1 - 4.0f;
            }
        }

        // core 2 at the octave ratio, moved by the offset and by its change
        for (int i = 0; i < m; ++i)
        {
            p2[i] = oct * p1[i] + offsets[i + 1];
            d2[i] = (offsets[i + 1] - offsets[i]) + d2[i];
        }

        phase1 = ph1;
        previousOffset = offsets[m];

        renderCore1 (in, p1, d1, start, o1, m);
        core2.renderBlock (p2, d2, in.wave2, nullptr, osc2.buffer + start, m);
        sawNaN |= finishChunk (o1, in, in.hum + start, start, m);
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

    // the detune mostly stays put over a block: one power per change
    float exponent = in.n > 0 ? phaseDetune.buffer[0] : 0.0f;
    float ratio = std::pow (2.0f, exponent);

    // room for the last group of four
    float p1[chunk], d1[chunk + 3], p2[chunk], d2[chunk], s2[chunk], o1[chunk];
    bool resets[chunk];

    for (int start = 0; start < in.n; start += chunk)
    {
        const auto [m, f, pd] = beginChunk (in, start, resets);
        float ph1 = phase1, ph2 = phase2;

        // as in phase-offset mode: the frequencies and core 1's increments
        // four at a time, in one loop with the phases' chains
        for (int g = 0; g < m; g += 4)
        {
            const int four = std::min (4, m - g);
            groupIncrements (f + g, d1 + g, four, in.rate);

            for (int i = g; i < g + four; ++i)
            {
                if (resets[i])
                    ph1 = ph2 = 0.0f;

                const float inc1 = d1[i];
                p1[i] = ph1;

                // hard sync: the part of the sample before core 1 wraps
                float s = -1.0f;
                if (in.sync && inc1 + ph1 > 1.0f)
                {
                    const float after = (float) ((double) ((inc1 + ph1) - 1.0f) / (double) inc1);
                    s = (float) (1.0 - (double) after);
                }

                if (pd[i] != exponent)
                {
                    exponent = pd[i];
                    ratio = std::pow (2.0f, exponent);
                }

                const float inc2 = ratio * inc1 * oct;
                p2[i] = ph2;
                d2[i] = inc2;
                s2[i] = s;

                ph1 = ph1 + inc1;
                if (ph1 >= 1.0f)
                    ph1 = ph1 - 1.0f;

                if (s == -1.0f)
                {
                    ph2 = ph2 + inc2;
                    if (ph2 > 1.0f)
                        ph2 = ph2 - 1.0f;
                }
                else
                {
                    ph2 = (1.0f - s) * inc2;
                }
            }
        }

        phase1 = ph1;
        phase2 = ph2;

        renderCore1 (in, p1, d1, start, o1, m);
        core2.renderBlock (p2, d2, in.wave2, in.sync ? s2 : nullptr, osc2.buffer + start, m);
        sawNaN |= finishChunk (o1, in, nullptr, start, m);
    }

    return sawNaN;
}

QmVCO4Module::Core2Sample QmVCO4Module::plainStep (PlainPhases& s, float f, float rate, float knob, float pd,
                                                    float oct, bool sync, bool retrigger, float gate) noexcept
{
    if (retrigger && s.previousGate == 0.0f && gate > 0.0f)
        s.phase1 = s.phase2 = 0.0f;

    s.previousGate = gate;
    const float d1 = f / rate, q1 = s.phase1 + d1;

    if (knob < 0.5f)
    {
        const float offset = (float) ((double) (oct * pd) * (oct <= 1.0f ? 2.0 : oct == 4.0f ? 0.5 : 1.0));
        const Core2Sample out { oct * s.phase1 + offset, (offset - s.previousOffset) + (oct * f) / rate, -1.0f };
        s.previousOffset = offset;
        s.phase1 = q1 > 4.0f ? q1 - 4.0f : q1;
        return out;
    }

    // Sync: the part of the sample before core 1 wraps.
    const float sy = sync && q1 > 1.0f ? (float) (1.0 - (double) (float) ((double) (q1 - 1.0f) / (double) d1)) : -1.0f;
    const float d2 = std::pow (2.0f, (pd - 0.5f) * 2.0f) * d1 * oct;
    const Core2Sample out { s.phase2, d2, sy };
    s.phase1 = q1 >= 1.0f ? q1 - 1.0f : q1;
    s.phase2 = sy == -1.0f ? (s.phase2 + d2 > 1.0f ? s.phase2 + d2 - 1.0f : s.phase2 + d2) : (1.0f - sy) * d2;
    return out;
}

void QmVCO4Module::renderCore1 (const BlockInputs& in, const float* p, const float* d,
                                int start, float* out, int m)
{
    if (in.shapeModulated)
        core1.renderBlock (p, d, shape.buffer + start, nullptr, out, m);
    else
        core1.renderBlock (p, d, shape.buffer[start], nullptr, out, m);
}
