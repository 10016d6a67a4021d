#include "OscillatorSpectrum.h"
#include "QmOscillatorCore.h"
#include "QmPlainOscillatorCore.h"
#include "QmProcessContext.h"

#include <gtest/gtest.h>

#include <functional>

namespace
{
    constexpr double rate = 88200.0;
    using Shape = std::function<double (double)>;

    double frac (double x) { return x - std::floor (x); }
    double pwTriangle (double p, double w) { return p < w ? p / w : 1.0 - (p - w) / (1.0 - w); }
    const Shape saw = [] (double p) { return -p; }, tri75 = [] (double p) { return -pwTriangle (p, 0.75); },
                pulse = [] (double p) { return -1.0 * (p < 0.75); };

    struct Tone { std::vector<float> corrected, naive; };

    // n samples of a core after 64, beside the naive shape at each sample's end.
    Tone render (float shape, const Shape& naive, double d, int n = 4096)
    {
        QmProcessContext context;
        context.sampleRate = (float) rate;
        auto core = std::make_unique<QmOscillatorCore> (&context);
        Tone t;
        double phase = 0.1234;     // off the corners: one lying exactly on a phase is skipped

        for (int i = 0; i < n + 64; ++i)
        {
            const float y = core->render ((float) phase, (float) d, shape, -1.0f);
            phase = frac (phase + d);
            if (i >= 64)
                t.corrected.push_back (y), t.naive.push_back ((float) naive (phase));
        }
        return t;
    }
}

// Away from its corners the output is the shape, 17 samples late: the control
// morphs with the right widths and amplitudes.
TEST (OscillatorCore, ShapeControlMorphsThroughTheWaveBankAndBandLimitsIt)
{
    const int period = 400;
    const std::pair<float, Shape> shapes[] = { { 0.0f, saw }, { 0.125f, tri75 },
                                               { 0.375f, [] (double p) { return -0.5 * pwTriangle (p, 0.25) + 0.5 * p; } },
                                               { 0.625f, [] (double p) { return 0.5 * p - 0.65 * (p < 0.25); } },
                                               { 0.875f, pulse }, { 1.0f, [] (double) { return 0.0; } } };
    for (const auto& [shape, wave] : shapes)
    {
        const auto t = render (shape, wave, 1.0 / period, 2 * period);
        for (int i = 17; i < 2 * period; ++i)
        {
            const double p = frac (0.1234 + (i + 64 - 17 + 1) / (double) period);
            if (std::min ({ p, std::abs (p - 0.25), std::abs (p - 0.75), 1.0 - p }) * period >= 12.0)    // away from corners
                ASSERT_NEAR (t.corrected[(size_t) i], wave (p), 2e-3) << shape << " " << i;
        }
    }

    // At a high note the folded-back partials of the corrected saw and pulse
    // stay 40 dB below the naive ones, of the triangle (whose naive aliasing
    // is weaker) 20 dB, run forwards and backwards (corners crossed the other
    // way). The VCO4's test holds hard-synced waves.
    const double d = 2637.0 / rate;    // E7
    struct Case { const char* name; float shape; Shape wave; double d, limit; };
    const Case cases[] = { { "saw", 0.0f, saw, d, 1e-4 }, { "pulse", 0.875f, pulse, d, 1e-4 }, { "triangle", 0.125f, tri75, d, 1e-2 },
                           { "backward saw", 0.0f, saw, -d, 1e-4 }, { "backward triangle", 0.125f, tri75, -d, 1e-2 } };
    for (const auto& c : cases)
    {
        const auto t = render (c.shape, c.wave, c.d);
        const double f0 = std::abs (c.d) * rate;
        EXPECT_LT (oscspectrum::aliasRatio (t.corrected, f0, rate) / oscspectrum::aliasRatio (t.naive, f0, rate), c.limit) << c.name;
    }
}

// The core works out what a shape renders once per run of equal shapes and
// renders whole blocks, four samples at a time between corners; through each
// of its render calls it must still give the formulas' result to the bit:
// shapes held and changed mid-block, in and out of smoothing mode, backwards,
// hard-synced, after a rate change, in a block longer than the corrector's runs.
TEST (OscillatorCore, BlocksMatchTheFormulasSampleForSampleAndSyncAboveOneCyclePerSample)
{
    const float shapes[] = { 0.0f, 0.1f, 0.25f, 0.3f, 0.5f, 0.6f, 0.75f, 0.9f, 1.0f, 0.125f, 0.2f, 0.05f };
    const int longest = 2 * QmBlep::maxRun + 30;

    for (int smoothing : { 0, 1 })
    {
        QmProcessContext context;
        context.sampleRate = 88200.0f;
        auto core = std::make_unique<QmOscillatorCore> (&context);
        auto reference = std::make_unique<QmPlainOscillatorCore>();
        core->smoothing = reference->smoothing = smoothing;
        float phase = 0.37f;

        for (int block = 0; block < 24; ++block)
        {
            if (block == 23)     // amid a run of one smoothed shape
                context.sampleRate = reference->rate = 44100.0f, core->init();

            const bool changes = block % 3 == 2, synced = block % 3 == 1;
            const int n = block == 18 ? longest : 96;
            float p[longest], d[longest], w[longest], s[longest], out[longest];
            for (int i = 0; i < n; ++i)
            {
                d[i] = n == longest ? 0.01f + 0.1f * (float) (i % 200) / 200.0f    // in and out of the triangle's widened rise
                                    : (block % 5 == 3 ? -1.0f : 1.0f) * (0.004f + 0.03f * (float) (block % 4));
                p[i] = block % 7 == 6 ? phase + (float) (i % 5 - 2) : phase;   // outside one cycle too
                w[i] = shapes[block / 2 % 12] + (changes && i >= n / 2 ? 0.07f : 0.0f);
                s[i] = synced && i % 9 == 0 ? (float) (i % 10) / 10.0f : -1.0f;
                phase = phase + d[i] - std::floor (phase + d[i]);
            }

            if (block % 2 != 0)
                for (int i = 0; i < n; ++i)
                    out[i] = core->render (p[i], d[i], w[i], s[i]);
            else if (changes || block % 4 == 0)
                core->renderBlock (p, d, w, synced ? s : nullptr, out, n);
            else
                core->renderBlock (p, d, w[0], synced ? s : nullptr, out, n);

            for (int i = 0; i < n; ++i)
                ASSERT_EQ (out[i], reference->render (p[i], d[i], w[i], s[i])) << smoothing << " " << block << " " << i;
        }
    }

    // With more than one cycle per sample (octave up, detune modulated, sync on)
    // the synced sample's value comes from the wrapped phase.
    QmBlep corrector;
    QmSawWave sawWave;

    for (float d : { 0.4f, 1.3f, 2.5f, 7.9f })
        for (float s : { 0.0f, 0.1f, 0.5f })
            EXPECT_EQ (sawWave.renderBandLimited (corrector, 0.3f, d, -1.0f, s), -qmWrapPhasePlain ((float) ((double) d * (1.0 - (double) s)))) << d << " " << s;
}
