#include "QmMultiFilterModule.h"

#include "QmDriftGenerator.h"
#include "QmHumNoiseSource.h"
#include "QmSimd.h"
#include "QmVectorMath.h"

#include <algorithm>
#include <cmath>

namespace
{
    // Both kernels run four at a time: the signal and hum buffers hold whole
    // vectors past the block. Each pass does what the plain per-sample steps
    // do, in their order.

    /** g = clamp (g + 0.001 hum, 0, 11.3); max and min keep a NaN as the
        comparisons do. g is aligned. */
    void addHumAndClamp (float* g, const float* hum, int n) noexcept
    {
        const __m128 low = _mm_setzero_ps(), high = _mm_set1_ps (11.3f);

        for (int i = 0; i < n; i += 4)
        {
            const __m128 v = _mm_add_ps (_mm_load_ps (g + i), _mm_mul_ps (_mm_set1_ps (0.001f), _mm_loadu_ps (hum + i)));
            _mm_store_ps (g + i, _mm_min_ps (high, _mm_max_ps (low, v)));
        }
    }

    /** The prewarped gain of each cutoff in g (aligned) with more hum:
        tan (min ((g + 0.1 hum) pi / (4 rate), maxArgument)). */
    void prewarpWithHum (float* g, const float* hum, int n, float rate, float maxArgument) noexcept
    {
        const __m128 prewarp = _mm_set1_ps ((float) (3.141592653589793 / rate * 0.25));
        const __m128 maxArg = _mm_set1_ps (maxArgument);

        for (int i = 0; i < n; i += 4)
        {
            const __m128 f = _mm_add_ps (_mm_load_ps (g + i), _mm_mul_ps (_mm_set1_ps (0.1f), _mm_loadu_ps (hum + i)));
            _mm_store_ps (g + i, QmVectorMath::tan4 (_mm_min_ps (_mm_mul_ps (f, prewarp), maxArg)));
        }
    }
}

QmMultiFilterModule::QmMultiFilterModule (QmProcessContext* contextToUse)
    : QmModule (contextToUse),
      out (addOutput ("Out", QmSignal::block)),
      audioIn (addInput ("Audio in", QmSignal::block)),
      freqIn (addInput ("Freq in", QmSignal::block)),
      resIn (addInput ("Res in", QmSignal::block)),
      typeIn (addInput ("Type", QmSignal::scalar)),
      driveIn (addInput ("Drive", QmSignal::scalar)),
      selfIn (addInput ("Self", QmSignal::scalar)),
      interpolator (std::make_unique<QmFirInterpolator>()),
      oversampled (interpolator->getDecimationInput()),
      outSignal (QmSignal::block, contextToUse),
      satJFet (QmNonlin::integralMode, -0.9f),
      transferJFet (QmNonlin::transferMode, -0.9f),
      driftTap (contextToUse->drift->createTap (0))
{
    name = "LPF Filter";
}

QmMultiFilterModule::~QmMultiFilterModule() = default;

void QmMultiFilterModule::resetBrokenState() noexcept
{
    // Huge or non-finite input can blow a state up; without this the filter
    // would stay silent (NaN) for good.
    if (! coreA.isFinite())
        coreA.reset();

    if (! coreB.isFinite())
        coreB.reset();

    if (! stage12.isFinite())
        stage12.reset();

    if (! interpolator->isFinite())
        interpolator->reset();
}

void QmMultiFilterModule::reset()
{
    coreA.reset();
    coreB.reset();
    stage12.reset();
    interpolator->reset();
}

void QmMultiFilterModule::process()
{
    const int n = std::min ((int) context->blockLength, maxBlock);
    const float rate = context->sampleRate;

    QmSignal* audio = audioIn->getSignal();
    QmSignal* freq = freqIn->getSignal();
    const float* hum = context->humNoise->hum;
    float* x = audio->buffer;
    float* g = freq->buffer;

    resetBrokenState();

    const float drive = driveIn->getSignal()->value;
    const float gain = std::pow (2.0f, 3.0f * drive);
    const float inputGain = 2.0f * gain;

    for (int i = 0; i < n; ++i)
        x[i] *= inputGain;

    addHumAndClamp (g, hum, n);
    freq->pitchToCutoff();

    const float res = n > 0 ? resIn->getSignal()->buffer[0] : 0.0f;

    interpolator->interpolate (x, oversampled, n);

    prewarpWithHum (g, hum, n, rate, maxPrewarpArgument);

    const int type = typeIn->getSignal()->index;

    if (type != lastType)
        coreA.clearStages();

    lastType = type;

    const int count = 4 * n;
    const float fs4 = 4.0f * rate;

    switch (type)
    {
        case 0:
            if (drive > 0.0f)
                for (int i = 0; i < count; ++i)
                    oversampled[i] = satJFet.lookupBlock (oversampled[i]);

            QmLadderCore::process12 (stage12, oversampled, g, res, count, 0.0f);
            break;

        case 1: QmLadderCore::process18 (coreA, oversampled, g, res, count, fs4); break;
        case 2: QmLadderCore::process24A (coreA, oversampled, g, res, count, fs4); break;
        case 3: QmLadderCore::process24B (coreB, oversampled, g, res, count, fs4); break;
        default: break;
    }

    float* y = outSignal.buffer;
    interpolator->decimate (y, n);

    float level = 1.0f;

    if (type == 0)
        level = 1.0f / std::min (gain, 1.6f);
    else if (type == 1)
        level = 1.0f / (0.25f * gain + 0.75f);

    for (int j = 0; j < n; ++j)
        y[j] = y[j] * 0.125f * level;

    out->pushSignal (&outSignal);
}
