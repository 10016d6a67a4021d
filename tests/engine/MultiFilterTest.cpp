#include "FilterTestRig.h"

#include <gtest/gtest.h>

#include <limits>

using namespace filtertest;

namespace
{
    constexpr double rate = 88200.0;

    // "18" drives its stages with an offset that its 6 Hz high-pass removes
    // only slowly: let it settle in silence before measuring.
    void settle (QmMultiFilterModule& filter, const LowPassSettings& s)
    {
        if (s.type == 1)
            render (filter, std::vector<float> (32768, 0.0f), s);
    }

    double gainAt (int type, double cutoffHz, double toneHz, float res = 0.0f, double engineRate = rate)
    {
        Rig& rig = sharedRig ((float) engineRate);
        QmMultiFilterModule filter (&rig.context);
        LowPassSettings s;
        s.type = type;
        s.res = res;
        s.cutoff = octavesFor (cutoffHz);
        const float amplitude = 0.01f;
        settle (filter, s);
        const auto out = render (filter, sine (toneHz, amplitude, 8192, engineRate), s);
        return toneAmplitude (out, toneHz, engineRate) / amplitude;
    }

    // Frequency of the strongest ringing after an impulse, by zero crossings.
    double ringingFrequency (int type, double cutoffHz, float res, double* peak)
    {
        Rig& rig = sharedRig();
        QmMultiFilterModule filter (&rig.context);
        LowPassSettings s;
        s.type = type;
        s.res = res;
        s.cutoff = octavesFor (cutoffHz);
        settle (filter, s);
        std::vector<float> in (16384, 0.0f);
        in[0] = 1.0f;
        const auto out = render (filter, in, s);

        int crossings = 0;
        *peak = 0.0;
        for (size_t i = 8193; i < out.size(); ++i)
        {
            crossings += (out[i - 1] < 0.0f) != (out[i] < 0.0f);
            *peak = std::max (*peak, (double) std::abs (out[i]));
        }
        return crossings / 2.0 / (8191.0 / rate);
    }
}

TEST (MultiFilter, SocketsAndName)
{
    Rig& rig = sharedRig();
    QmMultiFilterModule filter (&rig.context);
    EXPECT_EQ (filter.name, "LPF Filter");

    const char* inputs[] = { "Audio in", "Freq in", "Res in", "Type", "Drive", "Self" };
    const uint32_t kinds[] = { 1, 1, 1, 0, 0, 0 };
    ASSERT_EQ (filter.inputs.size(), 6u);
    for (size_t i = 0; i < 6; ++i)
    {
        EXPECT_EQ (filter.inputs[i]->name, inputs[i]);
        EXPECT_EQ (filter.inputs[i]->kind, kinds[i]);
    }
    ASSERT_EQ (filter.outputs.size(), 1u);
    EXPECT_EQ (filter.outputs[0]->name, "Out");

    // The filter takes a drift tap (table 0): the next one starts 30156 later.
    const auto offset = rig.context.drift->offset;
    QmMultiFilterModule second (&rig.context);
    EXPECT_EQ (second.driftTap->position, offset);
    EXPECT_EQ (rig.context.drift->offset, offset + 30156);
}

TEST (MultiFilter, CutoffMapsAndSlopes)
{
    // At res 0, "24A" is four one-poles at the cutoff (-12 dB there) and "12"
    // two (-6 dB); the same octaves give the same Hz at another engine rate.
    for (double engineRate : { rate, 96000.0 })
    {
        const double pass24 = gainAt (2, 1000, 50, 0.0f, engineRate);
        EXPECT_NEAR (decibels (gainAt (2, 1000, 1000, 0.0f, engineRate) / pass24), -12.0, 0.8) << engineRate;
        const double pass12 = gainAt (0, 1000, 50, 0.0f, engineRate);
        EXPECT_NEAR (decibels (gainAt (0, 1000, 1000, 0.0f, engineRate) / pass12), -6.0, 0.8) << engineRate;
    }

    // Passband level near unity at drive 0: doubled, filtered, x 0.125.
    EXPECT_NEAR (gainAt (2, 8000, 100), 1.05, 0.05);
    EXPECT_NEAR (gainAt (0, 8000, 100), 1.0, 0.05);

    // Slopes per octave well above the cutoff.
    struct { int type; double dbPerOctave; } slopes[] = { { 0, 12.0 }, { 2, 24.0 }, { 3, 24.0 } };
    for (auto s : slopes)
    {
        const double drop = decibels (gainAt (s.type, 500, 2000) / gainAt (s.type, 500, 4000));
        EXPECT_NEAR (drop, s.dbPerOctave, 2.0) << s.type;
    }

    // "18": its offset-biased stages put the corner lower; 18 dB per octave
    // above it and about -26 dB at the cutoff.
    const double pass18 = gainAt (1, 500, 50);
    EXPECT_NEAR (decibels (gainAt (1, 500, 500) / pass18), -26.4, 1.5);
    EXPECT_NEAR (decibels (gainAt (1, 500, 500) / gainAt (1, 500, 1000)), 18.0, 2.0);
}

TEST (MultiFilter, HighResonanceSelfOscillatesNearTheCutoff)
{
    for (int type = 0; type < 4; ++type)
    {
        double peak = 0.0;
        const double hz = ringingFrequency (type, 1000.0, 1.0f, &peak);
        EXPECT_NEAR (hz, 1000.0, 250.0) << type;
        EXPECT_GT (peak, 0.2) << type;
        EXPECT_LT (peak, 4.0) << type;

        // Without resonance the impulse dies away.
        ringingFrequency (type, 1000.0, 0.0f, &peak);
        EXPECT_LT (peak, 1e-3) << type;
    }
}

TEST (MultiFilter, StableAndFiniteOverTheWholeRangeWithLoudInputs)
{
    Rig& rig = sharedRig();
    std::vector<float> loud (1024);
    for (size_t i = 0; i < loud.size(); ++i)
        loud[i] = ((i / 37) % 2 ? 20.0f : -20.0f) + 5.0f * (float) std::sin ((double) i * 0.3);

    for (int type = 0; type < 5; ++type)
        for (float drive : { 0.0f, 0.5f, 1.0f })
            for (float res : { 0.0f, 0.5f, 1.0f })
                for (float cutoff : { -3.0f, 0.0f, 6.0f, 11.3f, 16.0f })
                {
                    QmMultiFilterModule filter (&rig.context);
                    LowPassSettings s { cutoff, res, type, drive };
                    const auto out = render (filter, loud, s);
                    ASSERT_TRUE (allFinite (out, 1000.0f)) << type << " " << drive << " " << res << " " << cutoff;
                }
}

TEST (MultiFilter, LowHostRateKeepsThePrewarpBelowAQuarterTurn)
{
    // At an engine rate of 8000 Hz the top cutoff lies far above the Nyquist
    // frequency; the tangent must not wrap.
    Rig& rig = sharedRig (8000.0f);
    for (int type = 0; type < 4; ++type)
    {
        QmMultiFilterModule filter (&rig.context);
        LowPassSettings s { 11.3f, 0.0f, type, 0.0f };
        const auto in = sine (200.0, 0.01f, 4096, 8000.0);
        const auto out = render (filter, in, s);
        ASSERT_TRUE (allFinite (out, 1.0f)) << type;
        if (type != 1)
            EXPECT_NEAR (toneAmplitude (out, 200.0, 8000.0) / 0.01, 1.0, 0.1) << type;
    }
}

TEST (MultiFilter, DriveLevelsAndTheUnfilteredPath)
{
    // An unknown type passes unfiltered: 2 x gain, the FIR pair (about 4) and x 0.125.
    EXPECT_NEAR (gainAt (7, 1000, 100), 0.998, 0.01);

    Rig& rig = sharedRig();
    auto levelAt = [&] (int type, float drive)
    {
        QmMultiFilterModule filter (&rig.context);
        LowPassSettings s { octavesFor (8000), 0.0f, type, drive };
        settle (filter, s);
        return toneAmplitude (render (filter, sine (100.0, 0.001f, 8192, rate), s), 100.0, rate);
    };

    EXPECT_NEAR (levelAt (7, 1.0f) / levelAt (7, 0.0f), 8.0, 0.01);
    // "12": x 8, the saturation's small-signal gain 2 / 1.9, then / 1.6.
    EXPECT_NEAR (levelAt (0, 1.0f) / levelAt (0, 0.0f), 8.0 * 2.0 / 1.9 / 1.6, 0.5);
    // "18": x 8 / 2.75.
    EXPECT_NEAR (levelAt (1, 1.0f) / levelAt (1, 0.0f), 8.0 / 2.75, 0.1);
    // Others keep the drive: x 8.
    EXPECT_NEAR (levelAt (2, 1.0f) / levelAt (2, 0.0f), 8.0, 0.4);
}

TEST (MultiFilter, CutoffIsClampedToItsOctaveRange)
{
    Rig& rig = sharedRig();
    const auto in = sine (3000.0, 0.3f, 1024, rate);

    auto run = [&] (float cutoff)
    {
        QmMultiFilterModule filter (&rig.context);
        return render (filter, in, { cutoff, 0.3f, 2, 0.2f });
    };

    EXPECT_EQ (run (15.0f), run (11.3f));
    EXPECT_EQ (run (-4.0f), run (0.0f));
    EXPECT_NE (run (11.0f), run (11.3f));
}

TEST (MultiFilter, ShortBlocksGiveTheSameOutputAsLongOnes)
{
    Rig& rig = sharedRig();
    const auto in = sine (700.0, 0.5f, 600, rate);
    const LowPassSettings s { 8.0f, 0.4f, 3, 0.3f };

    QmMultiFilterModule whole (&rig.context);
    const auto reference = render (whole, in, s, 600);

    for (int blockSize : { 1, 3, 7, 15, 16, 17 })
    {
        QmMultiFilterModule filter (&rig.context);
        EXPECT_EQ (render (filter, in, s, blockSize), reference) << blockSize;
    }
}

TEST (MultiFilter, TypeChangesClearOnlyTheSharedCore)
{
    Rig& rig = sharedRig();
    std::vector<float> silence (64, 0.0f);

    auto withCoreA = [&] (int lastType)
    {
        QmMultiFilterModule filter (&rig.context);
        filter.coreA.s0 = filter.coreA.s1 = filter.coreA.s2 = filter.coreA.s3 = 0.5f;
        filter.lastType = lastType;
        return render (filter, silence, { 6.0f, 0.0f, 1, 0.0f });
    };

    // Arriving at "18" from "24A" starts from cleared stages, like a fresh core;
    // staying on "18" keeps them.
    QmMultiFilterModule fresh (&rig.context);
    const auto cleared = render (fresh, silence, { 6.0f, 0.0f, 1, 0.0f });
    EXPECT_EQ (withCoreA (2), cleared);
    EXPECT_NE (withCoreA (1), cleared);

    // "24B" resumes where it stopped after a detour through "24A".
    QmMultiFilterModule filter (&rig.context);
    render (filter, sine (300.0, 1.0f, 512, rate), { 7.0f, 0.5f, 3, 0.0f });
    const float s0 = filter.coreB.s0, s3 = filter.coreB.s3;
    render (filter, silence, { 7.0f, 0.5f, 2, 0.0f });
    EXPECT_EQ (filter.coreB.s0, s0);
    EXPECT_EQ (filter.coreB.s3, s3);
    EXPECT_NE (s0, 0.0f);
}

TEST (MultiFilter, BrokenStateRecoversAtTheNextBlock)
{
    Rig& rig = sharedRig();
    const float nan = std::numeric_limits<float>::quiet_NaN();

    for (int type = 0; type < 4; ++type)
    {
        QmMultiFilterModule filter (&rig.context);
        const LowPassSettings s { 7.0f, 0.5f, type, 0.5f };
        render (filter, std::vector<float> (64, nan), s);
        render (filter, std::vector<float> (64, std::numeric_limits<float>::infinity()), s);

        const auto out = render (filter, sine (300.0, 0.5f, 256, rate), s, 256);
        EXPECT_TRUE (allFinite (out, 100.0f)) << type;
        EXPECT_GT (toneAmplitude (out, 300.0, rate), 0.01) << type;
    }
}
