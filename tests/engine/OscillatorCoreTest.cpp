#include "OscillatorSpectrum.h"
#include "QmOscillatorCore.h"
#include "QmProcessContext.h"
#include "QmTriangleWave.h"

#include <gtest/gtest.h>

#include <cmath>
#include <algorithm>
#include <functional>
#include <memory>
#include <vector>

namespace
{
    constexpr float rate = 88200.0f;
    constexpr int fftSize = 4096;

    struct CoreFixture
    {
        CoreFixture() { context.sampleRate = rate; }

        std::unique_ptr<QmOscillatorCore> makeCore (int smoothing = 0)
        {
            auto core = std::make_unique<QmOscillatorCore> (&context);
            core->smoothing = smoothing;
            return core;
        }

        QmProcessContext context;
    };

    double frac (double x) { return x - std::floor (x); }

    /** n samples of a core at a fixed increment, after the corrector's delay has filled. */
    std::vector<float> renderCore (QmOscillatorCore& core, float increment, float shape, int n, int skip = 64)
    {
        std::vector<float> out;
        float phase = 0.0f;
        for (int i = 0; i < n + skip; ++i)
        {
            const float y = core.render (phase, increment, shape, -1.0f);
            phase += increment;
            if (phase >= 1.0f)
                phase -= 1.0f;
            if (i >= skip)
                out.push_back (y);
        }
        return out;
    }

    /** The same tone without any correction: the ideal shape sampled at each sample's end. */
    std::vector<float> renderNaive (const std::function<double (double)>& wave, double increment, int n, int skip = 64)
    {
        std::vector<float> out;
        for (int i = skip; i < n + skip; ++i)
            out.push_back ((float) wave (frac ((i + 1) * increment)));
        return out;
    }

    double pwTriangle (double p, double w) { return p < w ? p / w : 1.0 - (p - w) / (1.0 - w); }
}

// Away from corners the output is the shape itself, 17 samples late; the
// shape control must morph with the right widths and amplitudes.
TEST (OscillatorCore, ShapeControlMorphsThroughTheWaveBank)
{
    CoreFixture f;
    const int period = 400;
    const double d = 1.0 / period;

    struct Case { float shape; std::function<double (double)> wave; std::vector<double> corners; };
    const Case cases[] = {
        { 0.0f,   [] (double p) { return -p; }, { 0.0 } },
        { 0.125f, [] (double p) { return -pwTriangle (p, 0.75); }, { 0.0, 0.75 } },
        { 0.375f, [] (double p) { return -0.5 * pwTriangle (p, 0.25) + 0.5 * p; }, { 0.0, 0.25 } },
        { 0.625f, [] (double p) { return 0.5 * p - 0.65 * (p < 0.25 ? 1.0 : 0.0); }, { 0.0, 0.25 } },
        { 0.875f, [] (double p) { return -(p < 0.75 ? 1.0 : 0.0); }, { 0.0, 0.75 } },
        { 1.0f,   [] (double) { return 0.0; }, {} },
    };

    for (const auto& c : cases)
    {
        auto core = f.makeCore();
        const auto y = renderCore (*core, (float) d, c.shape, 2 * period, 0);

        for (int i = 40; i < 2 * period; ++i)
        {
            const double p = frac ((i - 17 + 1) * d);   // phase at the end of the delayed sample
            bool nearCorner = false;
            for (double corner : c.corners)
                nearCorner = nearCorner || std::abs (frac (p - corner + 0.5) - 0.5) * period < 12.0;
            if (! nearCorner)
                ASSERT_NEAR (y[(size_t) i], c.wave (p), 2e-3) << "shape " << c.shape << " sample " << i;
        }
    }
}

// At a high note the corrected saw and pulse keep their folded-back partials
// 40 dB below those of the naive waves, the triangle 20 dB.
TEST (OscillatorCore, BandLimitedWavesAliasFarLessThanNaiveOnes)
{
    CoreFixture f;
    const double f0 = 2637.0;    // E7
    const double d = f0 / rate;

    struct Case { const char* name; float shape; std::function<double (double)> wave; double limit; };
    const Case cases[] = {
        { "saw",      0.0f,   [] (double p) { return -p; }, 1e-4 },
        { "pulse",    0.875f, [] (double p) { return -(p < 0.75 ? 1.0 : 0.0); }, 1e-4 },
        // the triangle's naive aliasing is weaker; the corrected one sits on the same floor
        { "triangle", 0.125f, [] (double p) { return -pwTriangle (p, 0.75); }, 1e-2 },
    };

    for (const auto& c : cases)
    {
        auto core = f.makeCore();
        const auto bl = oscspectrum::split (oscspectrum::power (renderCore (*core, (float) d, c.shape, fftSize)), f0, rate, rate / 4);
        const auto naive = oscspectrum::split (oscspectrum::power (renderNaive (c.wave, d, fftSize)), f0, rate, rate / 4);

        EXPECT_LT (bl.other / naive.other, c.limit) << c.name;
        // the wanted partials survive
        EXPECT_GT (bl.harmonic, naive.harmonic * 0.7) << c.name;
    }
}

// Crossing a corner backwards reverses the jump and the bend alike: a
// triangle run backwards must be as clean as one run forwards.
TEST (OscillatorCore, NegativeIncrementIsBandLimitedToo)
{
    CoreFixture f;
    const double f0 = 2637.0;
    const double d = -f0 / rate;

    for (float shape : { 0.125f, 0.0f })
    {
        auto core = f.makeCore();
        std::vector<float> bl;
        float phase = 0.5f;
        for (int i = 0; i < fftSize + 64; ++i)
        {
            const float y = core->render (phase, (float) d, shape, -1.0f);
            phase += (float) d;
            if (phase < 0.0f)
                phase += 1.0f;
            if (i >= 64)
                bl.push_back (y);
        }

        std::vector<float> naive;
        for (int i = 64; i < fftSize + 64; ++i)
        {
            const double p = frac (0.5 + (i + 1) * d);
            naive.push_back ((float) (shape == 0.0f ? -p : -pwTriangle (p, 0.75)));
        }

        const auto a = oscspectrum::split (oscspectrum::power (bl), f0, rate, rate / 4);
        const auto b = oscspectrum::split (oscspectrum::power (naive), f0, rate, rate / 4);
        EXPECT_LT (a.other / b.other, shape == 0.0f ? 1e-4 : 1e-2) << "shape " << shape;
    }
}

// Phase modulation can hand a core any phase; it must sound as that phase
// modulo 1, never as a wave driven out of its range.
TEST (OscillatorCore, AnyPhaseIsReducedIntoOneCycle)
{
    CoreFixture f;
    const float d = 0.013f;

    for (float shape : { 0.0f, 0.125f, 0.875f })
    {
        auto reference = f.makeCore();
        auto shifted = f.makeCore();

        for (int i = 0; i < 200; ++i)
        {
            const float p = std::fmod (0.3f + (float) i * d, 1.0f);
            const float offset = (float) ((i % 5) - 2);    // whole cycles from -2 to +2
            const float a = reference->render (p, d, shape, -1.0f);
            const float b = shifted->render (p + offset, d, shape, -1.0f);
            ASSERT_NEAR (a, b, 1e-4f) << "shape " << shape << " sample " << i;
            ASSERT_LT (std::abs (b), 1.2f);
        }
    }
}

TEST (OscillatorCore, SmoothingModeSweepsItsLowPass)
{
    CoreFixture f;
    auto plain = f.makeCore (0);
    auto smooth = f.makeCore (1);

    const float a150 = std::exp ((float) (-2.0 * M_PI * (150.0 / rate)));
    EXPECT_FLOAT_EQ (smooth->smoother.a, a150);
    EXPECT_FLOAT_EQ (smooth->smoother.b0, 1.0f - a150);
    EXPECT_EQ (smooth->smoother.b1, 0.0f);

    // shape 0.0625: x = 0.25, y = 0.5, t = 0.5, cut-off 44100 / 8 + 150
    smooth->render (0.1f, 0.01f, 0.0625f, -1.0f);
    EXPECT_FLOAT_EQ (smooth->smoother.a, std::exp ((float) (-2.0 * M_PI * (5662.5 / rate))));

    // the plain core never touches its smoother
    plain->render (0.1f, 0.01f, 0.0625f, -1.0f);
    EXPECT_FLOAT_EQ (plain->smoother.a, a150);

    // the sweep closes at shape 0.125 (150 Hz) and is open at both ends of the first quarter
    const auto range = [] (const std::vector<float>& v) { return *std::max_element (v.begin(), v.end()) - *std::min_element (v.begin(), v.end()); };
    const auto settled = [&] (QmOscillatorCore& core, float shape)
    {
        const auto y = renderCore (core, 0.02f, shape, 800);
        return range ({ y.end() - 200, y.end() });
    };
    auto closed = f.makeCore (1);
    EXPECT_LT (settled (*closed, 0.125f), 0.2f);
    for (float shape : { 0.0f, 0.2499f })
    {
        auto open = f.makeCore (1);
        EXPECT_GT (settled (*open, shape), 0.9f) << shape;
    }

    // from a quarter on the smoother keeps its state and coefficients
    const float before = closed->smoother.a;
    closed->render (0.3f, 0.01f, 0.5f, -1.0f);
    EXPECT_EQ (closed->smoother.a, before);

    // init renews the coefficients for a new rate
    f.context.sampleRate = 44100.0f;
    closed->init();
    EXPECT_FLOAT_EQ (closed->smoother.a, std::exp ((float) (-2.0 * M_PI * (150.0 / 44100.0))));
}

// A hard-sync reset is a jump and a bend at once; both must be corrected on
// the corner path's scale, or the synced wave aliases worse than a naive one.
TEST (OscillatorCore, SyncResetIsBandLimited)
{
    CoreFixture f;
    // the slave resets on its falling slope: a bend of 4 per cycle beside the jump
    const double f1 = 2637.0, ratio = 1.97;
    const double d1 = f1 / rate, d2 = d1 * ratio;

    for (float shape : { 0.25f, 0.0f })    // triangle: jump and bend; saw: jump only
    {
        auto core = f.makeCore();
        std::vector<float> bl, naive;
        double p1 = 0.0, p2 = 0.0;

        for (int i = 0; i < fftSize + 64; ++i)
        {
            float s = -1.0f;
            if (p1 + d1 > 1.0)
                s = (float) (1.0 - (p1 + d1 - 1.0) / d1);

            const float y = core->render ((float) p2, (float) d2, shape, s);
            p1 = frac (p1 + d1);
            p2 = s < 0.0f ? frac (p2 + d2) : (1.0 - s) * d2;

            if (i >= 64)
            {
                bl.push_back (y);
                const double slave = frac (p1 * ratio);
                naive.push_back ((float) (shape == 0.0f ? -slave : -pwTriangle (slave, 0.5)));
            }
        }

        const auto a = oscspectrum::split (oscspectrum::power (bl), f1, rate, rate / 4);
        const auto b = oscspectrum::split (oscspectrum::power (naive), f1, rate, rate / 4);
        EXPECT_LT (a.other, b.other * 0.01) << "shape " << shape;
    }
}
