#include "QmAmplifierModule.h"
#include "QmAmpCore.h"
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

    for (int i = 0; i < n; ++i)
        x[i] = dcBlocker.step (x[i]);

    QmSignal* expMod = expModIn->getSignal();
    for (int i = 0; i < n; ++i)
        expMod->buffer[i] = std::exp (expMod->buffer[i]);

    const float target = gainFor (ampIn->getSignal()->value);
    for (int i = 0; i < n; ++i)
    {
        gainSmoothed += (target - gainSmoothed) * 0.01f;
        x[i] *= gainSmoothed;
    }

    audio->multiply (expMod);
    audio->multiply (modIn->getSignal());
    out->pushSignal (audio);
}

void QmAmplifierModule::drive (float* x, int n, float amount) noexcept
{
    const float driveTarget = std::pow (2.0f, amount * 5.0f);
    const float compTarget = 1.0f / std::sqrt (std::min (driveTarget, 6.0f));
    const float mixTarget = std::min (amount * 8.0f, 1.0f);
    const float cutoff = (1.0f - amount) * 15000.0f + 1500.0f;

    for (int i = 0; i < n; ++i)
    {
        mixSmoothed = (float) (mixSmoothed + (mixTarget - mixSmoothed) * 0.01);
        compSmoothed = (float) (compSmoothed + (compTarget - compSmoothed) * 0.01);
        driveSmoothed = (float) (driveSmoothed + (driveTarget - driveSmoothed) * 0.01);

        const float dry = x[i];
        const float y = QmAmpCore::process (coreState, 2.0f * dry * driveSmoothed, cutoff);
        const float wet = y * compSmoothed * 0.5f;
        x[i] = (1.0f - mixSmoothed) * dry + mixSmoothed * wet;
    }
}
