#include "QmSpiceModule.h"
#include "QmDriftGenerator.h"
#include "QmSimd.h"

#include <algorithm>
#include <cmath>

namespace
{
    constexpr int spareBufferSize = 8192;

    /** Fixed against the 44100 Hz reference, whatever the engine's rate:
        2500 Hz high-passes, a 5150 Hz low-pass. */
    void setCoefficients (QmOnePole& lowPass, QmOnePole& highPass1, QmOnePole& highPass2) noexcept
    {
        const float hpPole = std::exp (-0.35618964f);
        for (auto* hp : { &highPass1, &highPass2 })
        {
            hp->a = hpPole;
            hp->b0 = (1.0f + hpPole) / 2.0f;
            hp->b1 = -(1.0f + hpPole) / 2.0f;
        }

        lowPass.a = std::exp (-0.73375064f);
        lowPass.b0 = 1.0f - lowPass.a;
        lowPass.b1 = 0.0f;
    }

    /** The low-passed, amplified input u and its step d from the last one,
        d kept away from zero (it divides the fold's difference). */
    inline void lowPassStep (QmOnePole& lp, float& lastU, float in, float& u, float& d) noexcept
    {
        u = lp.step (8.0f * in);
        d = u - lastU;

        if (std::fabs (d) < 0.0001f)
        {
            const float nudge = d >= 0.0f ? 0.0001f : -0.0001f;
            u += nudge;
            d += nudge;
        }

        lastU = u;
    }

    /** The antiderivative of a triangle of u (period 2, range -0.5..0.5):
        with p = frac (u / 2) and b = |2p - 1| - 1/2, g = b - b |b|. */
    inline float triangleIntegral (float u) noexcept
    {
        const float p = u / 2.0f - std::floor (u / 2.0f);
        const float b = std::fabs (2.0f * p - 1.0f) - 0.5f;
        return b - b * std::fabs (b);
    }

    /** u[i] = (triangleIntegral (u[i]) - the previous one) / step[i], for m
        samples (m a multiple of 4), four at a time; lastG carries the
        previous value across calls. The quotient in float rounds as the
        double one of the plain step does. floor (u / 2) is the truncation,
        less one where that rounded up; from 2^23 up (or NaN) the half is
        whole already. */
    void foldDifferences (float* u, const float* step, int m, float& lastG) noexcept
    {
        using QmSimd::select;
        const __m128 one = _mm_set1_ps (1.0f), half = _mm_set1_ps (0.5f);

        for (int i = 0; i < m; i += 4)
        {
            const __m128 h = _mm_mul_ps (_mm_loadu_ps (u + i), half);
            const __m128 truncated = _mm_cvtepi32_ps (_mm_cvttps_epi32 (h));
            const __m128 down = _mm_sub_ps (truncated, _mm_and_ps (_mm_cmpgt_ps (truncated, h), one));
            const __m128 small = _mm_cmplt_ps (QmSimd::abs (h), _mm_set1_ps (8388608.0f));
            const __m128 p = _mm_sub_ps (h, select (small, down, h));
            const __m128 b = _mm_sub_ps (QmSimd::abs (_mm_sub_ps (_mm_add_ps (p, p), one)), half);
            const __m128 g = _mm_sub_ps (b, _mm_mul_ps (b, QmSimd::abs (b)));

            // Each lane's previous g: lastG, then the lanes before it.
            const __m128 before = _mm_or_ps (QmSimd::shiftUp<1> (g), _mm_set_ss (lastG));
            _mm_storeu_ps (u + i, _mm_div_ps (_mm_sub_ps (g, before), _mm_loadu_ps (step + i)));
            lastG = QmSimd::lane<3> (g);
        }
    }
}

QmSpiceModule::QmSpiceModule (QmProcessContext* c)
    : QmModule (c)
{
    name = "Spice module";

    input = addInput ("Input", QmSignal::block);
    out = addOutput ("Out", QmSignal::block);
    amountIn = addInput ("Amount", QmSignal::scalar);
    cvIn = addInput ("CV", QmSignal::block);

    spareBuffer = QmAlignedBuffer (spareBufferSize);
    driftTap.reset (c->drift->createTap (1));

    sampleRateChanged();
}

QmSpiceModule::~QmSpiceModule() = default;

void QmSpiceModule::reset()
{
    for (auto* filter : { &highPass1, &highPass2, &lowPass, &spareHighPass1, &spareHighPass2 })
        filter->clear();

    previousU = previousG = 0.0f;
}

QmSpiceModule::PlainState::PlainState()
{
    setCoefficients (lowPass, highPass1, highPass2);
}

float QmSpiceModule::plainStep (PlainState& s, float x) noexcept
{
    float u, d;
    lowPassStep (s.lowPass, s.lastU, x, u, d);
    const float g = triangleIntegral (u);
    const float y = s.highPass2.step (s.highPass1.step ((float) ((double) (g - s.lastG) / (double) d)));
    s.lastG = g;
    return std::clamp (0.1f * (8.0f * x) + y, -outputLimit, outputLimit);
}

void QmSpiceModule::sampleRateChanged()
{
    // process() sets its own coefficients before every use.
    lowPass.setFrequencyAtRate (500.0f, context->sampleRate, true);
    spareHighPass1.setFrequencyAtRate (6.0f, context->sampleRate, true);
    spareHighPass2.setFrequencyAtRate (6.0f, context->sampleRate, true);
}

void QmSpiceModule::process()
{
    QmSignal* signal = input->getSignal();

    if (amountIn->getSignal()->value == 0.0f)
    {
        out->pushSignal (signal);
        return;
    }

    // A state blown up by a huge input starts again rather than staying NaN.
    for (auto* filter : { &lowPass, &highPass1, &highPass2 })
        filter->clearIfNotFinite();

    if (! (std::isfinite (previousU) && std::isfinite (previousG)))
        previousU = previousG = 0.0f;

    setCoefficients (lowPass, highPass1, highPass2);

    // Locals, so that the stores to x cannot alias the state.
    float* x = signal->buffer;
    QmOnePole lp = lowPass, hp1 = highPass1, hp2 = highPass2;
    float lastU = previousU, lastG = previousG;

    // A chunk at a time: the low-pass (with the nudge, which feeds the next
    // step), the fold four samples at once, then the high-passes. The two
    // recursions are independent chains, so each chunk's low-pass runs in
    // one loop with the previous chunk's high-passes.
    constexpr int chunk = 256;
    float folded[2][chunk], step[chunk];
    const int n = context->blockLength;
    int previous = 0;   // samples of the previous chunk still to high-pass

    auto lowPassAt = [&] (float in, float* u, float* d) { lowPassStep (lp, lastU, in, *u, *d); };
    auto highPassStep = [&] (float& xi, float y) { xi = 0.1f * (8.0f * xi) + hp2.step (hp1.step (y)); };

    for (int start = 0, k = 0; start < n; start += chunk, k ^= 1)
    {
        const int m = std::min (chunk, n - start);
        float* xs = x + start;
        float* u = folded[k];
        float* ys = folded[k ^ 1];
        float* xp = previous > 0 ? xs - chunk : xs;   // the previous chunk

        int i = 0;
        for (; i < std::min (m, previous); ++i)
        {
            lowPassAt (xs[i], u + i, step + i);
            highPassStep (xp[i], ys[i]);
        }

        for (; i < m; ++i)
            lowPassAt (xs[i], u + i, step + i);

        for (; i < previous; ++i)
            highPassStep (xp[i], ys[i]);

        // Whole vectors: the last u repeated, so the padding's g is the last
        // one's too.
        for (i = m; i % 4 != 0; ++i)
        {
            u[i] = u[m - 1];
            step[i] = 1.0f;
        }

        foldDifferences (u, step, (m + 3) & ~3, lastG);

        previous = m;
    }

    // The last chunk's high-passes.
    if (previous > 0)
    {
        const int last = ((n - 1) / chunk) * chunk;
        const float* ys = folded[(n - 1) / chunk % 2];

        for (int i = 0; i < previous; ++i)
            highPassStep (x[last + i], ys[i]);
    }

    lowPass = lp;
    highPass1 = hp1;
    highPass2 = hp2;
    previousU = lastU;
    previousG = lastG;

    signal->clamp (-outputLimit, outputLimit);
    out->pushSignal (signal);
}
