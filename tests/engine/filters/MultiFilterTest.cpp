#include "FilterTestRig.h"

#include <gtest/gtest.h>

using namespace filtertest;

namespace
{
    // Renders through a fresh filter. "18" drives its stages with an offset
    // that its 6 Hz high-pass removes only slowly: it settles in silence first.
    std::vector<float> renderFresh (const std::vector<float>& in, const LowPassSettings& s,
                                    double rate = 88200.0, int blockSize = 256)
    {
        QmMultiFilterModule filter (&sharedRig ((float) rate).context);
        if (s.type == 1)
            render (filter, std::vector<float> (32768, 0.0f), s);
        return render (filter, in, s, blockSize);
    }

    double gainAt (int type, double cutoffHz, double toneHz, double rate = 88200.0)
    {
        const LowPassSettings s { octavesFor (cutoffHz), 0.0f, type, 0.0f };
        return toneAmplitude (renderFresh (sine (toneHz, 0.001f, 8192, rate), s, rate), toneHz, rate) / 0.001;
    }
}

TEST (MultiFilter, CutoffMapsSlopesAndSelfOscillation)
{
    // At res 0 "24A" is four one-poles at the cutoff (-12 dB there) and "12"
    // two (-6 dB); the same octaves give the same Hz at another engine rate.
    for (double rate : { 88200.0, 96000.0 })
    {
        EXPECT_NEAR (decibels (gainAt (2, 1000, 1000, rate) / gainAt (2, 1000, 50, rate)), -12.0, 0.8) << rate;
        EXPECT_NEAR (decibels (gainAt (0, 1000, 1000, rate) / gainAt (0, 1000, 50, rate)), -6.0, 0.8) << rate;
    }

    // Slopes per octave well above the cutoff; "18" puts its corner lower (-26 dB at the cutoff).
    struct { int type; double dbPerOctave; } slopes[] = { { 0, 12.0 }, { 2, 24.0 }, { 3, 24.0 } };
    for (auto [type, dbPerOctave] : slopes)
        EXPECT_NEAR (decibels (gainAt (type, 500, 2000) / gainAt (type, 500, 4000)), dbPerOctave, 2.0) << type;
    EXPECT_NEAR (decibels (gainAt (1, 500, 500) / gainAt (1, 500, 1000)), 18.0, 2.0);
    EXPECT_NEAR (decibels (gainAt (1, 500, 500) / gainAt (1, 500, 50)), -26.4, 1.5);

    std::vector<float> impulse (16384, 0.0f);
    impulse[0] = 1.0f;

    for (int type = 0; type < 4; ++type)
    {
        const auto out = renderFresh (impulse, { octavesFor (1000.0), 1.0f, type, 0.0f });
        int crossings = 0;
        float peak = 0.0f;
        for (size_t i = 8193; i < out.size(); ++i)
            crossings += (out[i - 1] < 0.0f) != (out[i] < 0.0f), peak = std::max (peak, std::abs (out[i]));
        EXPECT_NEAR (crossings / 2.0 / (8191.0 / 88200.0), 1000.0, 250.0) << type;
        EXPECT_GT (peak, 0.2f) << type;
        EXPECT_LT (peak, 4.0f) << type;
    }
}

TEST (MultiFilter, StabilityPrewarpCapAndShortBlocks)
{
    std::vector<float> loud (1024);
    for (size_t i = 0; i < loud.size(); ++i)
        loud[i] = ((i / 37) % 2 ? 20.0f : -20.0f) + 5.0f * (float) std::sin ((double) i * 0.3);

    for (int type = 0; type < 5; ++type)
        for (float drive : { 0.0f, 1.0f })
            for (float res : { 0.0f, 1.0f })
                for (float cutoff : { -3.0f, 6.0f, 16.0f })
                {
                    QmMultiFilterModule filter (&sharedRig().context);
                    ASSERT_TRUE (allFinite (render (filter, loud, { cutoff, res, type, drive }), 1000.0f))
                        << type << " " << drive << " " << res << " " << cutoff;
                }

    // A state gone non-finite is reset at the next block.
    for (int type = 0; type < 4; ++type)
    {
        QmMultiFilterModule filter (&sharedRig().context);
        const LowPassSettings s { 7.0f, 0.5f, type, 0.5f };
        render (filter, std::vector<float> (64, std::numeric_limits<float>::quiet_NaN()), s);
        render (filter, std::vector<float> (64, std::numeric_limits<float>::infinity()), s);
        const auto out = render (filter, sine (300.0, 0.5f, 256), s);
        EXPECT_TRUE (allFinite (out, 100.0f)) << type;
        EXPECT_GT (toneAmplitude (out, 300.0), 0.01) << type;
    }

    // At an engine rate of 8000 Hz the top cutoff lies far above the Nyquist
    // frequency; the tangent must not wrap.
    for (int type : { 0, 2, 3 })
    {
        const auto out = renderFresh (sine (200.0, 0.01f, 4096, 8000.0), { 11.3f, 0.0f, type, 0.0f }, 8000.0);
        EXPECT_TRUE (allFinite (out, 1.0f)) << type;
        EXPECT_NEAR (toneAmplitude (out, 200.0, 8000.0) / 0.01, 1.0, 0.1) << type;
    }

    // Blocks shorter than a vector run give what one long block gives.
    const auto in = sine (700.0, 0.5f, 600);
    const LowPassSettings s { 8.0f, 0.4f, 3, 0.3f };
    const auto reference = renderFresh (in, s, 88200.0, 600);
    for (int blockSize : { 1, 3, 7, 15, 17 })
        EXPECT_EQ (renderFresh (in, s, 88200.0, blockSize), reference) << blockSize;
}
