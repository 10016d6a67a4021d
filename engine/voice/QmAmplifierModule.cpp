#include "QmAmplifierModule.h"
#include "QmAmpCore.h"
#include "QmFastMath.h"
#include "QmJFetNonlin.h"

#include <algorithm>
#include <cmath>

QmAmplifierModule::QmAmplifierModule (QmProcessContext* c)
    : QmModule (c)
{
    name = "Amplifier";

    audioIn = addInput ("Audio in", QmSignal::block);
    modIn = addInput ("Mod in", QmSignal::block);
    gateIn = addInput ("Gate in", QmSignal::block);
    out = addOutput ("Out", QmSignal::block);
    oscGateIn = addInput ("Gate in", QmSignal::block);
    driveIn = addInput ("Gate in", QmSignal::scalar);
    ampIn = addInput ("Amp", QmSignal::scalar);
    expModIn = addInput ("Exp mod", QmSignal::block);

    jfet = std::make_unique<QmJFetNonlin> (2, 0.5f);

    sampleRateChanged();
}

QmAmplifierModule::~QmAmplifierModule() = default;

void QmAmplifierModule::sampleRateChanged()
{
    dcBlocker.setFrequencyAtRate (10.0f, context->sampleRate, true);
}

void QmAmplifierModule::reset()
{
    coreState = 0.0f;
    dcBlocker.clear();
}

float QmAmplifierModule::gainFor (float amp) noexcept
{
    return amp == 0.0f ? 0.0f : 16.0f * std::pow (10.0f, 3.0f * (amp - 1.0f));
}

void QmAmplifierModule::process()
{
    const int n = context->blockLength;
    QmSignal* audio = audioIn->getSignal();
    float* x = audio->buffer;

    const float amount = driveIn->getSignal()->value;
    if (amount > 0.0f)
        drive (x, n, amount);

    // "Exp mod" becomes exp of itself in place; a block without modulation
    // is one value throughout.
    QmSignal* expMod = expModIn->getSignal();
    float* m = expMod->buffer;

    // Equal bits are checked four at a time; a block whose bits differ can
    // still compare equal throughout (0 and -0), a NaN never does.
    const bool constant = n > 0
        && (QmFastMath::countRepeats (m + 1, n - 1, m[0]) == n - 1
                ? m[0] == m[0]
                : std::all_of (m + 1, m + n, [first = m[0]] (float v) { return v == first; }));

    if (constant)
        std::fill (m, m + n, std::exp (m[0]));
    else
        QmFastMath::expBlock (m, m, n);

    // DC blocker, output gain, exp mod and envelope, sample by sample in the
    // order the stages run.
    const float target = gainFor (ampIn->getSignal()->value);
    const float* envelope = modIn->getSignal()->buffer;
    dcBlocker.clearIfNotFinite();     // after a huge input, start again
    QmOnePole dc = dcBlocker;
    float gain = gainSmoothed;
    bool gainSettled = false;

    for (int i = 0; i < n; ++i)
    {
        if (! gainSettled)
        {
            const float previous = gain;
            gain += (target - gain) * 0.01f;
            gainSettled = gain == previous;
        }

        x[i] = dc.step (x[i]) * gain * m[i] * envelope[i];
    }

    dcBlocker = dc;
    gainSmoothed = gain;
    out->pushSignal (audio);
}

QmAmplifierModule::PlainState::PlainState (float rate)
{
    dcBlocker.setFrequencyAtRate (10.0f, rate, true);
}

float QmAmplifierModule::plainStep (PlainState& s, float x, float expMod, float envelope, float amount, float amp) noexcept
{
    if (amount > 0.0f)
    {
        const float driveTarget = std::pow (2.0f, amount * 5.0f);
        const float compTarget = 1.0f / std::sqrt (std::min (driveTarget, 6.0f));
        const float mixTarget = std::min (amount * 8.0f, 1.0f);
        const float cutoff = (1.0f - amount) * 15000.0f + 1500.0f;

        s.mix = (float) (s.mix + (mixTarget - s.mix) * 0.01);
        s.comp = (float) (s.comp + (compTarget - s.comp) * 0.01);
        s.drive = (float) (s.drive + (driveTarget - s.drive) * 0.01);
        x = (1.0f - s.mix) * x + s.mix * (QmAmpCore::process (s.z, 2.0f * x * s.drive, cutoff) * s.comp * 0.5f);
    }

    x = s.dcBlocker.step (x);
    s.gain += (gainFor (amp) - s.gain) * 0.01f;
    return x * s.gain * std::exp (expMod) * envelope;
}

void QmAmplifierModule::drive (float* x, int n, float amount) noexcept
{
    const float driveTarget = std::pow (2.0f, amount * 5.0f);
    const float compTarget = 1.0f / std::sqrt (std::min (driveTarget, 6.0f));
    const float mixTarget = std::min (amount * 8.0f, 1.0f);
    const float cutoff = (1.0f - amount) * 15000.0f + 1500.0f;
    const float g = QmAmpCore::gainFor (cutoff);
    const float k = 1.0f / (1.0f + g);

    // Locals, so that the stores to x cannot alias the state.
    float mix = mixSmoothed, comp = compSmoothed, gain = driveSmoothed, z = coreState;

    for (int i = 0; i < n; ++i)
    {
        mix = (float) (mix + (mixTarget - mix) * 0.01);
        comp = (float) (comp + (compTarget - comp) * 0.01);
        gain = (float) (gain + (driveTarget - gain) * 0.01);

        const float dry = x[i];
        const float y = QmAmpCore::process (z, 2.0f * dry * gain, g, k);
        const float wet = y * comp * 0.5f;
        x[i] = (1.0f - mix) * dry + mix * wet;
    }

    mixSmoothed = mix;
    compSmoothed = comp;
    driveSmoothed = gain;
    coreState = z;
}
