#include "OscillatorSpectrum.h"
#include "QmOscillatorCore.h"
#include "QmProcessContext.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>

namespace
{
    constexpr double rate = 88200.0;
    using Shape = std::function<double (double)>;

    double frac (double x) { return x - std::floor (x); }
    double pwTriangle (double p, double w) { return p < w ? p / w : 1.0 - (p - w) / (1.0 - w); }

    struct Tone { std::vector<float> corrected, naive; };

    /** 4096 samples of a core after 64, beside the naive shape at each sample's end. With a
        ratio, the core is a slave hard-synced to a master at the increment d. */
    Tone render (float shape, const Shape& naive, double d, double ratio = 0.0, int smoothing = 0, int n = 4096)
    {
        QmProcessContext context;
        context.sampleRate = (float) rate;
        auto core = std::make_unique<QmOscillatorCore> (&context);
        core->smoothing = smoothing;
        Tone t;
        double master = 0.1234, slave = 0.0;     // off the corners: one lying exactly on a phase is skipped

        for (int i = 0; i < n + 64; ++i)
        {
            const float s = ratio > 0.0 && master + d > 1.0 ? (float) (1.0 - (master + d - 1.0) / d) : -1.0f;
            const float y = core->render ((float) (ratio > 0.0 ? slave : master), (float) (ratio > 0.0 ? d * ratio : d), shape, s);
            master = frac (master + d);
            slave = s < 0.0f ? frac (slave + d * ratio) : (1.0 - s) * d * ratio;
            if (i >= 64)
            {
                t.corrected.push_back (y);
                t.naive.push_back ((float) naive (ratio > 0.0 ? frac (master * ratio) : master));
            }
        }
        return t;
    }
}

// Away from its corners the output is the shape, 17 samples late: the control
// morphs with the right widths and amplitudes.
TEST (OscillatorCore, ShapeControlMorphsThroughTheWaveBank)
{
    const int period = 400;
    const std::pair<float, Shape> cases[] = {
        { 0.0f,   [] (double p) { return -p; } },
        { 0.125f, [] (double p) { return -pwTriangle (p, 0.75); } },
        { 0.375f, [] (double p) { return -0.5 * pwTriangle (p, 0.25) + 0.5 * p; } },
        { 0.625f, [] (double p) { return 0.5 * p - 0.65 * (p < 0.25); } },
        { 0.875f, [] (double p) { return -1.0 * (p < 0.75); } },
        { 1.0f,   [] (double) { return 0.0; } },
    };

    for (const auto& [shape, wave] : cases)
    {
        const auto t = render (shape, wave, 1.0 / period, 0.0, 0, 2 * period);
        for (int i = 17; i < 2 * period; ++i)
        {
            const double p = frac (0.1234 + (i + 64 - 17 + 1) / (double) period);
            const bool nearCorner = std::min ({ p, std::abs (p - 0.25), std::abs (p - 0.75), 1.0 - p }) * period < 12.0;
            if (! nearCorner)
                ASSERT_NEAR (t.corrected[(size_t) i], wave (p), 2e-3) << shape << " " << i;
        }
    }
}

// At a high note the folded-back partials of the corrected saw and pulse stay
// 40 dB below the naive ones, of the triangle (whose naive aliasing is weaker)
// 20 dB: run forwards, backwards (corners crossed the other way) and hard-synced
// (a reset on the falling slope: a jump and a bend at once).
TEST (OscillatorCore, BandLimitedWavesAliasFarLessThanNaiveOnes)
{
    const double d = 2637.0 / rate;    // E7
    const Shape saw = [] (double p) { return -p; };
    const Shape tri75 = [] (double p) { return -pwTriangle (p, 0.75); };
    const Shape tri50 = [] (double p) { return -pwTriangle (p, 0.5); };
    struct Case { const char* name; float shape; Shape wave; double d, ratio, limit; };
    const Case cases[] = {
        { "saw", 0.0f, saw, d, 0.0, 1e-4 },
        { "pulse", 0.875f, [] (double p) { return -1.0 * (p < 0.75); }, d, 0.0, 1e-4 },
        { "triangle", 0.125f, tri75, d, 0.0, 1e-2 },
        { "backward saw", 0.0f, saw, -d, 0.0, 1e-4 },
        { "backward triangle", 0.125f, tri75, -d, 0.0, 1e-2 },
        { "synced saw", 0.0f, saw, d, 1.97, 1e-2 },
        { "synced triangle", 0.25f, tri50, d, 1.97, 1e-2 },
    };

    for (const auto& c : cases)
    {
        const auto t = render (c.shape, c.wave, c.d, c.ratio);
        const double f0 = std::abs (c.d) * rate;
        EXPECT_LT (oscspectrum::aliasRatio (t.corrected, f0, rate, rate / 4) / oscspectrum::aliasRatio (t.naive, f0, rate, rate / 4), c.limit) << c.name;
    }
}

// Phase modulation can hand a core any phase: it sounds as that phase modulo 1.
TEST (OscillatorCore, AnyPhaseIsReducedIntoOneCycle)
{
    QmProcessContext context;
    for (float shape : { 0.0f, 0.125f, 0.875f })
    {
        QmOscillatorCore reference (&context), shifted (&context);
        for (int i = 0; i < 200; ++i)
        {
            const float p = std::fmod (0.3f + (float) i * 0.013f, 1.0f);
            const float b = shifted.render (p + (float) ((i % 5) - 2), 0.013f, shape, -1.0f);
            ASSERT_NEAR (reference.render (p, 0.013f, shape, -1.0f), b, 1e-4f) << shape << " " << i;
        }
    }
}

// Smoothing mode: the saw's low-pass closes from about 44 kHz (shape 0) to
// 150 Hz (shape 0.125), then the triangle's opens again (towards 0.25).
TEST (OscillatorCore, SmoothingModeSweepsItsLowPass)
{
    QmProcessContext context;
    context.sampleRate = (float) rate;
    QmOscillatorCore core (&context);
    core.smoothing = 1;
    const auto pole = [] (double hz, double r) { return std::exp ((float) (-2.0 * M_PI * (hz / r))); };
    EXPECT_FLOAT_EQ (core.smoother.a, pole (150.0, rate));

    core.render (0.1f, 0.01f, 0.0625f, -1.0f);     // t = 0.5: 44100 / 8 + 150
    EXPECT_FLOAT_EQ (core.smoother.a, pole (5662.5, rate));
    core.render (0.1f, 0.01f, 0.5f, -1.0f);        // untouched from a quarter on
    EXPECT_FLOAT_EQ (core.smoother.a, pole (5662.5, rate));

    context.sampleRate = 44100.0f;
    core.init();
    EXPECT_FLOAT_EQ (core.smoother.a, pole (150.0, 44100.0));

    const auto swing = [] (float shape)
    {
        const auto y = render (shape, [] (double) { return 0.0; }, 0.02, 0.0, 1, 800).corrected;
        return *std::max_element (y.end() - 200, y.end()) - *std::min_element (y.end() - 200, y.end());
    };
    EXPECT_LT (swing (0.125f), 0.2f);
    EXPECT_GT (swing (0.0f), 0.9f);
    EXPECT_GT (swing (0.2499f), 0.9f);
}

namespace
{
    /** The core as its formulas read, one sample at a time, with nothing kept
        from one sample to the next but the corrector, the smoother and the widths. */
    struct ReferenceCore
    {
        ReferenceCore (float r, int s) : rate (r), smoothing (s) { smoother.setFrequencyAtRate (150.0f, rate, false); }

        float triangle (float p, float d, float width, float g, float s)
        {
            QmPWTriangle fresh;     // no width remembered
            fresh.setWidth (width, d);
            return fresh.renderBandLimited (corrector, p, d, g, s);
        }

        float render (float p, float d, float w, float s)
        {
            p = p - std::floor (p);
            p = p >= 1.0f ? 0.0f : p;
            const float x = (float) ((double) w * 4.0);

            if (smoothing != 0 && x < 1.0f)
            {
                const float y = (float) ((double) x * 2.0);
                const float t = y < 1.0f ? 1.0f - y : y - 1.0f;
                const float v = y < 1.0f || t == 0.0f ? saw.renderBandLimited (corrector, p, d, -1.0f, s)
                                                      : triangle (p, d, (float) (1.0 - (double) t * 0.5), -1.0f, s);
                smoother.setFrequencyAtRate ((float) ((double) (t * t * t) * 44100.0 + 150.0), rate, false);
                return smoother.step (corrector.process (v));
            }

            const float t = (float) ((double) x - std::floor ((double) x));
            float v = 0.0f;
            if (x == 0.0f)      v += saw.renderBandLimited (corrector, p, d, -1.0f, s);
            else if (x < 1.0f)  v += triangle (p, d, (float) (1.0 - (double) x * 0.5), -1.0f, s);
            else if (x < 2.0f)  { v += triangle (p, d, (float) (0.5 - (double) t * 0.5), (float) -(1.0 - (double) t), s);
                                  v += saw.renderBandLimited (corrector, p, d, t, s); }
            else if (x < 3.0f)  { pulse.width = pulse.corners[1]->position = (float) ((double) t * 0.5);
                                  v += saw.renderBandLimited (corrector, p, d, (float) (1.0 - (double) t), s);
                                  v += pulse.renderBandLimited (corrector, p, d, (float) -(0.7 * (double) t + 0.3), s); }
            else if (x < 4.0f)  { pulse.width = pulse.corners[1]->position = (float) ((double) t * 0.5 + 0.5);
                                  v += pulse.renderBandLimited (corrector, p, d, -1.0f, s); }
            return corrector.process (v);
        }

        float rate;
        int smoothing;
        QmBlep corrector;
        QmSawWave saw;
        QmPulseWave pulse;
        QmOnePole smoother;
    };
}

// The core works out what a shape renders once per run of equal shapes and
// renders whole blocks; sample for sample it must still give the formulas'
// result to the bit: shapes held and changed mid-block, in and out of
// smoothing mode, backwards, hard-synced, after a rate change.
TEST (OscillatorCore, BlocksMatchTheFormulasSampleForSample)
{
    const float shapes[] = { 0.0f, 0.1f, 0.25f, 0.3f, 0.5f, 0.6f, 0.75f, 0.9f, 1.0f, 0.125f, 0.2f, 0.05f };
    const int n = 96;

    for (int smoothing : { 0, 1 })
    {
        QmProcessContext context;
        context.sampleRate = 88200.0f;
        auto core = std::make_unique<QmOscillatorCore> (&context);
        core->smoothing = smoothing;
        auto reference = std::make_unique<ReferenceCore> (88200.0f, smoothing);
        float phase = 0.37f;

        for (int block = 0; block < 40; ++block)
        {
            if (block == 23)     // amid a run of one smoothed shape
            {
                context.sampleRate = reference->rate = 44100.0f;
                core->init();
                reference->smoother.setFrequencyAtRate (150.0f, 44100.0f, false);
            }

            float p[n], d[n], w[n], s[n], out[n];
            for (int i = 0; i < n; ++i)
            {
                d[i] = (block % 5 == 3 ? -1.0f : 1.0f) * (0.004f + 0.03f * (float) (block % 4));
                p[i] = block % 7 == 6 ? phase * 3.0f - 1.0f : phase;   // outside one cycle too
                w[i] = shapes[block / 2 % 12] + (block % 3 == 2 && i >= n / 2 ? 0.07f : 0.0f);
                s[i] = block % 6 == 4 && i % 9 == 0 ? (float) (i % 10) / 10.0f : -1.0f;
                phase = phase + d[i] - std::floor (phase + d[i]);
            }

            if (block % 2 == 0)
                core->renderBlock (p, d, w, s, out, n);
            else
                for (int i = 0; i < n; ++i)
                    out[i] = core->render (p[i], d[i], w[i], s[i]);

            for (int i = 0; i < n; ++i)
                ASSERT_EQ (out[i], reference->render (p[i], d[i], w[i], s[i])) << smoothing << " " << block << " " << i;
        }
    }
}
