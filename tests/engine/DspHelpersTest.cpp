#include "QmDriftGenerator.h"
#include "QmDsp.h"
#include "QmFastMath.h"
#include "QmHumNoiseSource.h"
#include "QmOnePole.h"
#include "QmRandom.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <thread>

namespace
{
    bool sameBits (float a, float b) { return std::memcmp (&a, &b, sizeof (a)) == 0; }
}

TEST (DspHelpers, OnePoleCoefficientsResponsesAndBlocksMatchingStepToTheBit)
{
    QmOnePole lp, hp, atRate;
    lp.setFrequency (50.0f, false);
    hp.setFrequency (10.0f, true);
    atRate.setFrequencyAtRate (20000.0f, 88200.0f, false);
    EXPECT_NEAR (lp.a, std::exp (-2.0 * M_PI * 50.0 / 44100.0), 1e-6);
    EXPECT_NEAR (atRate.a, std::exp (-2.0 * M_PI * 20000.0 / 88200.0), 1e-6);
    EXPECT_TRUE (hp.b0 == -hp.b1 && hp.b0 == (1.0f + hp.a) * 0.5f && lp.b1 == 0.0f);

    float y = 0.0f, h = 0.0f;
    for (int i = 0; i < 44100; ++i)
        y = lp.step (0.8f), h = hp.step (0.8f);
    EXPECT_NEAR (y, 0.8f, 1e-4f);
    EXPECT_NEAR (h, 0.0f, 1e-4f);

    // Constant runs (where the block skips a settled filter), steps, a
    // one-sample blip and a run after the next change.
    std::vector<float> in (6000, 0.25f);
    std::fill (in.begin() + 4000, in.end(), -0.75f);
    std::fill (in.begin() + 5500, in.end(), 0.0f);
    in[5000] = 3.0f;
    for (bool highPass : { false, true })
    {
        QmOnePole block, plain;
        block.setFrequencyAtRate (2000.0f, 88200.0f, highPass);
        plain = block;
        std::vector<float> out (in);
        for (int start = 0; start < 6000; start += 750)
            block.process (out.data() + start, 750);
        for (size_t i = 0; i < in.size(); ++i)
            ASSERT_TRUE (sameBits (out[i], plain.step (in[i]))) << i << (highPass ? " high-pass" : " low-pass");
        EXPECT_TRUE (sameBits (block.y1, plain.y1) && sameBits (block.x1, plain.x1));
    }
}

TEST (DspHelpers, FastExpAndSineStayWithinAnUlpOfLibm)
{
    auto check = [] (const char* name, float lo, float hi, auto fast, auto wide, auto block, auto reference)
    {
        constexpr int count = 20000;
        std::vector<float> x (count), viaBlock (count);
        for (int i = 0; i < count; ++i)
            x[(size_t) i] = lo + (hi - lo) * (float) i / (float) count;
        block (x.data(), viaBlock.data(), count - 3);     // an odd length runs the scalar tail too

        for (int i = 0; i < count; i += 4)
        {
            alignas (16) float four[4];
            _mm_store_ps (four, wide (_mm_loadu_ps (&x[(size_t) i])));
            for (size_t k = (size_t) i; k < (size_t) i + 4; ++k)
            {
                const float f = fast (x[k]), r = reference (x[k]);
                ASSERT_TRUE (f == r || std::nextafter (r, f) == f) << name << " at " << x[k] << ": " << f << " vs " << r;
                ASSERT_TRUE (sameBits (four[k % 4], f) && (k >= count - 3 || sameBits (viaBlock[k], f))) << name << " at " << x[k];
            }
        }
    };

    using namespace QmFastMath;
    auto pow2 = [] (float x) { return std::pow (2.0f, x); };
    auto libExp = [] (float x) { return std::exp (x); };
    auto libSin = [] (float x) { return std::sin (x); };

    // Pitches with room for modulation, float's whole range, envelope and
    // mod depths; phases of a cycle and far beyond.
    check ("exp2", -20.0f, 20.0f, exp2Float, exp2Float4, exp2Block, pow2);
    check ("exp2 extremes", -149.0f, 127.9f, exp2Float, exp2Float4, exp2Block, pow2);
    check ("exp", -30.0f, 30.0f, expFloat, expFloat4, expBlock, libExp);
    check ("sin", -7.0f, 7.0f, sinFloat, sinFloat4, sinBlock, libSin);
    check ("sin far", -9.0e4f, 9.0e4f, sinFloat, sinFloat4, sinBlock, libSin);

    // The edges of float's range; a NaN lane leaves the others alone.
    const float inf = std::numeric_limits<float>::infinity(), nan = std::nanf ("");
    EXPECT_TRUE (exp2Float (1.0e6f) == inf && expFloat (-1.0e6f) == 0.0f && exp2Float (-inf) == 0.0f);
    EXPECT_TRUE (std::isnan (expFloat (nan)) && std::isnan (sinFloat (inf)) && std::signbit (sinFloat (-0.0f)));
    EXPECT_EQ (sinFloat (1.0e7f), std::sin (1.0e7f));
    alignas (16) float lanes[4] = { 0.5f, nan, 2.0e5f, -1.0f };
    _mm_store_ps (lanes, sinFloat4 (_mm_load_ps (lanes)));
    EXPECT_TRUE (lanes[0] == sinFloat (0.5f) && std::isnan (lanes[1]) && lanes[2] == std::sin (2.0e5f) && lanes[3] == sinFloat (-1.0f));

    // Runs of a repeated value count by bits, through every tail length:
    // -0 is not 0, a NaN repeats.
    for (int end = 0; end <= 13; ++end)
    {
        std::vector<float> run (13, 0.75f);
        if (end < 13)
            run[(size_t) end] = 0.7500001f;
        EXPECT_EQ (countRepeats (run.data(), 13, 0.75f), end);
        EXPECT_EQ (countRepeats (run.data() + 1, 12, 0.75f), end == 0 ? 12 : end - 1);
    }
    const float zeros[] = { 0.0f, 0.0f, -0.0f }, nans[] = { nan, nan };
    EXPECT_EQ (countRepeats (zeros, 3, 0.0f), 2);
    EXPECT_EQ (countRepeats (nans, 2, nans[0]), 2);
}

TEST (DspHelpers, ExpCurveAndTheWindowsRandSequencePerThread)
{
    for (float k : { -2.0f, 3.0f })
        EXPECT_TRUE (expCurve (0.0f, k) == 0.0f && std::fabs (expCurve (1.0f, k) - 1.0f) < 1e-6f) << k;
    EXPECT_NEAR (expCurve (0.5f, 3.0f), 0.182f, 1e-3f);

    auto firstFour = [] { return std::vector<int> { qmRand(), qmRand(), qmRand(), qmRand() }; };
    std::vector<int> inThread;
    std::thread ([&] { inThread = firstFour(); }).join();
    EXPECT_EQ (inThread, (std::vector<int> { 41, 18467, 6334, 26500 }));
    qmSrand (1);
    EXPECT_EQ (firstFour(), inThread);
}

TEST (Drift, TablesHaveZeroMeanSpanOneAndTapsReadApartAndWrap)
{
    QmDriftGenerator drift;
    const int n = (int) QmDriftGenerator::length;
    double sum0 = 0, sq0 = 0, sum1 = 0, lo = 1e9, hi = -1e9;
    for (int i = 0; i < n; ++i)
    {
        const double v0 = drift.tables[0][i], v1 = drift.tables[1][i];
        ASSERT_TRUE (std::isfinite (v0) && std::isfinite (v1)) << i;
        sum0 += v0, sq0 += v0 * v0, sum1 += v1;
        lo = std::min (lo, v1), hi = std::max (hi, v1);
    }
    EXPECT_NEAR (sum0 / n, 0.0, 1e-6);
    EXPECT_NEAR (std::sqrt (sq0 / n), 1.0, 0.05);   // about unit variance (15-bit draws)
    EXPECT_NEAR (sum1 / n, 0.0, 1e-5);
    EXPECT_NEAR (hi - lo, 1.0, 1e-5);

    // Taps start 30156 apart; a tap on no table reads silence.
    std::unique_ptr<QmDriftTap> a (drift.createTap (1)), b (drift.createTap (1)), none (drift.createTap (5));
    std::vector<float> fromA (30166), fromB (10);
    a->read (fromA.data(), 30166);
    b->read (fromB.data(), 10);
    EXPECT_EQ (std::vector<float> (fromA.begin() + 30156, fromA.end()), fromB);
    none->read (fromB.data(), 10);
    EXPECT_EQ (fromB[3], 0.0f);

    // Reads of any length across the end continue the table sample by sample.
    std::unique_ptr<QmDriftTap> chunked (drift.createTap (0));
    chunked->position = chunked->length - 1000;
    int expected = chunked->position;
    for (int size : { 700, 299, 1, 0, 1500, 3 })
    {
        std::vector<float> got ((size_t) size + 1);
        chunked->read (got.data(), size);
        for (int k = 0; k < size; ++k, expected = (expected + 1) % chunked->length)
            ASSERT_EQ (got[(size_t) k], drift.tables[0][expected]) << size << " " << k;
        EXPECT_EQ (chunked->position, expected);
    }

    // A position outside the table restarts it instead of reading past it.
    chunked->position = chunked->length + 5;
    chunked->read (fromB.data(), 2);
    EXPECT_EQ (fromB[0], drift.tables[0][0]);
    EXPECT_EQ (chunked->position, 2);

    // An offset that lands exactly on the length wraps to 0.
    drift.offset = a->length - 30156;
    std::unique_ptr<QmDriftTap> last (drift.createTap (0)), first (drift.createTap (0));
    EXPECT_EQ (first->position, 0);
}

TEST (Drift, ADrawOfExactlyZeroDoesNotPoisonTheTables)
{
    // With seed 778 the 52476th pair of draws (rand () % 10000 each) is
    // (5000, 5000), a point at the centre: s == 0 must be redrawn.
    bool allFinite = true, zeroPair = false;
    std::thread ([&]
    {
        qmSrand (778);
        for (int j = 0; j <= 52475; ++j)
        {
            const int a = qmRand() % 10000, b = qmRand() % 10000;
            zeroPair = a == 5000 && b == 5000;
        }

        qmSrand (778);
        QmDriftGenerator drift;
        for (int i = 0; i < (int) QmDriftGenerator::length; ++i)
            allFinite = allFinite && std::isfinite (drift.tables[0][i]) && std::isfinite (drift.tables[1][i]);
    }).join();
    EXPECT_TRUE (zeroPair);
    EXPECT_TRUE (allFinite);
}

TEST (HumNoise, HumIsHighPassedTroughsOfFiftyHertzWithoutDcAndNoiseIsBounded)
{
    // Every hum sample is the plain formula's to the bit, the troughs included.
    QmHumNoiseSource source (88200);
    QmOnePole highPass = source.highPass;
    float phase = 0.0f;
    double sum = 0.0;
    for (int block = 0; block < 40; ++block)
    {
        source.fill (8192);
        for (int i = 0; i < 8192; ++i)
        {
            ASSERT_EQ (source.hum[i], highPass.step (std::min (std::sin (6.2831855f * phase), -0.5f))) << block << " " << i;
            ASSERT_TRUE (source.noise[i] >= -1.0f && source.noise[i] <= 0.998f + 1e-6f) << source.noise[i];
            if ((phase += 50.0f / 88200.0f) > 1.0f)
                phase -= 1.0f;
            sum += block >= 20 ? source.hum[i] : 0.0f;
        }
    }
    EXPECT_NEAR (sum / (20 * 8192), 0.0, 0.01);
}
