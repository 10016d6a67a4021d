#include "QmHPFilterModule.h"

#include "QmHPFilterCore.h"
#include "QmHumNoiseSource.h"
#include "QmSimd.h"
#include "QmVectorMath.h"

#include <algorithm>
#include <cmath>

namespace
{
    /** The kernel's tangent of each cutoff in f (aligned), four at a time (the
        buffer holds whole vectors past the block): tan (pi min (f, rate / 4) / rate). */
    void prewarp (float* f, int n, float rate) noexcept
    {
        const __m128 quarterRate = _mm_set1_ps (rate * 0.25f);
        const __m128 scale = _mm_set1_ps ((float) (3.141592653589793 / rate));

        for (int i = 0; i < n; i += 4)
            _mm_store_ps (f + i, QmVectorMath::tan4 (_mm_mul_ps (_mm_min_ps (_mm_load_ps (f + i), quarterRate), scale)));
    }
}

QmHPFilterModule::QmHPFilterModule (QmProcessContext* contextToUse)
    : QmModule (contextToUse),
      input (addInput ("Input", QmSignal::block)),
      freqIn (addInput ("Freq", QmSignal::block)),
      out (addOutput ("Out", QmSignal::block)),
      modeIn (addInput ("Mode", QmSignal::scalar)),
      resonanceIn (addInput ("Resonance", QmSignal::scalar)),
      trackIn (addInput ("Mode", QmSignal::scalar)),
      kbdIn (addInput ("Kbd", QmSignal::block))
{
    name = "HPF";
    sampleRateChanged();
}

void QmHPFilterModule::sampleRateChanged()
{
    dcBlock.setFrequencyAtRate (3.0f, context->sampleRate, true);
    stage.s0 = stage.s1 = 0.0f;
}

void QmHPFilterModule::reset()
{
    stage.reset();
    dcBlock.clear();
}

void QmHPFilterModule::process()
{
    QmSignal* audio = input->getSignal();
    QmSignal* freq = freqIn->getSignal();
    const int n = context->blockLength;

    if (n > 0 && freq->buffer[0] != 0.0f)
    {
        // A state blown up by a huge input starts again rather than staying NaN.
        if (! stage.isFinite())
            stage.reset();

        dcBlock.clearIfNotFinite();

        if (trackIn->getSignal()->index > 0)
        {
            freq->mixAdd (kbdIn->getSignal());
            freq->addConstant (-5.0f);
        }

        freq->pitchToCutoff();

        float* f = freq->buffer;
        const float* hum = context->humNoise->hum;

        for (int i = 0; i < n; ++i)
            f[i] += hum[i] / 5.0f;

        const float res = resonanceIn->getSignal()->value * 0.685f;
        freq->clamp (10.0f, 17000.0f);

        const float comp = std::pow (2.0f, 2.0f * std::max (0.0f, (res - 0.25f) / 0.75f));
        const float rate = context->sampleRate;
        float* x = audio->buffer;

        prewarp (f, n, rate);
        QmHPFilterCore::processBlock (stage, x, f, n, res, 3.03f, 1.0f / (3.03f * comp), &dcBlock);
    }

    out->pushSignal (audio);
}
