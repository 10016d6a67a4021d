#include "QmDriftGenerator.h"
#include "QmDsp.h"
#include "QmFastMath.h"
#include "QmHumNoiseSource.h"
#include "QmOnePole.h"
#include "QmRandom.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <thread>

TEST (DspHelpers, OnePoleCoefficientsAndResponses)
{
    QmOnePole lp;
    lp.setFrequency (20000.0f, false);
    EXPECT_NEAR (lp.a, 0.0579f, 1e-4f);
    EXPECT_NEAR (lp.b0, 0.942f, 1e-3f);
    EXPECT_EQ (lp.b1, 0.0f);

    // The same pole at 44100 Hz whatever rate is asked for by name.
    QmOnePole atRate;
    atRate.setFrequencyAtRate (20000.0f, 88200.0f, false);
    EXPECT_NEAR (atRate.a, std::exp (-2.0 * M_PI * 20000.0 / 88200.0), 1e-6);

    QmOnePole hp;
    hp.setFrequency (10.0f, true);
    EXPECT_FLOAT_EQ (hp.b0, -hp.b1);
    EXPECT_FLOAT_EQ (hp.b0, (1.0f + hp.a) * 0.5f);

    lp.setFrequency (50.0f, false);
    float y = 0.0f, h = 0.0f;
    for (int i = 0; i < 44100; ++i)
    {
        y = lp.step (0.8f);
        h = hp.step (0.8f);
    }
    EXPECT_NEAR (y, 0.8f, 1e-4f);
    EXPECT_NEAR (h, 0.0f, 1e-4f);

    QmOnePole fresh;
    EXPECT_EQ (fresh.step (1.0f), 0.0f);
}

namespace
{
    /** Distance in units in the last place between two finite floats. */
    int64_t ulpsApart (float a, float b)
    {
        auto ordered = [] (float x)
        {
            int32_t i;
            std::memcpy (&i, &x, sizeof (i));
            return i < 0 ? (int64_t) INT32_MIN - i : (int64_t) i;
        };
        return std::llabs (ordered (a) - ordered (b));
    }

    bool sameBits (float a, float b) { return std::memcmp (&a, &b, sizeof (a)) == 0; }
}

TEST (DspHelpers, OnePoleBlockMatchesStepBySampleToTheBit)
{
    // Constant runs (where the block skips a settled filter), steps, a
    // one-sample blip and a run after the next change.
    std::vector<float> in (3000, 0.25f);
    std::fill (in.begin() + 1200, in.end(), -0.75f);
    in[2000] = 3.0f;
    std::fill (in.begin() + 2500, in.end(), 0.0f);

    for (bool highPass : { false, true })
    {
        QmOnePole block, plain;
        block.setFrequencyAtRate (2000.0f, 88200.0f, highPass);
        plain = block;

        std::vector<float> out (in);
        for (int start = 0; start < 3000; start += 750)
            block.process (out.data() + start, 750);

        for (size_t i = 0; i < in.size(); ++i)
            ASSERT_TRUE (sameBits (out[i], plain.step (in[i]))) << i << (highPass ? " high-pass" : " low-pass");

        EXPECT_TRUE (sameBits (block.y1, plain.y1) && sameBits (block.x1, plain.x1));
    }

    // The low-pass settles exactly on the constant, so the skip was taken.
    QmOnePole lp;
    lp.setFrequencyAtRate (2000.0f, 88200.0f, false);
    std::vector<float> settled (4000, 0.25f);
    lp.process (settled.data(), 4000);
    EXPECT_EQ (settled.back(), lp.y1);
}

TEST (DspHelpers, FastExpAndSineStayWithinAnUlpOfLibm)
{
    auto check = [] (const char* name, float lo, float hi, auto fast, auto wide, auto block, auto reference)
    {
        constexpr int count = 40000;
        std::vector<float> x (count), viaBlock (count);
        for (int i = 0; i < count; ++i)
            x[(size_t) i] = lo + (hi - lo) * (float) i / (float) count;

        // An odd length runs the scalar tail too.
        block (x.data(), viaBlock.data(), count - 3);
        viaBlock[count - 3] = viaBlock[count - 2] = viaBlock[count - 1] = 0.0f;

        int64_t worst = 0;
        for (int i = 0; i < count; i += 4)
        {
            alignas (16) float four[4];
            _mm_store_ps (four, wide (_mm_loadu_ps (&x[(size_t) i])));

            for (int j = 0; j < 4; ++j)
            {
                const size_t k = (size_t) (i + j);
                const float f = fast (x[k]);
                worst = std::max (worst, ulpsApart (f, reference (x[k])));
                ASSERT_TRUE (sameBits (four[j], f)) << name << " four-wide at " << x[k];
                if (k < count - 3)
                    ASSERT_TRUE (sameBits (viaBlock[k], f)) << name << " block at " << x[k];
            }
        }

        EXPECT_LE (worst, 1) << name;
    };

    using namespace QmFastMath;
    auto pow2 = [] (float x) { return std::pow (2.0f, x); };
    auto libExp = [] (float x) { return std::exp (x); };
    auto libSin = [] (float x) { return std::sin (x); };

    // Pitches of every octave, with room for modulation; envelope and mod
    // depths; phases of a cycle and far beyond.
    check ("exp2", -20.0f, 20.0f, exp2Float, exp2Float4, exp2Block, pow2);
    check ("exp2 extremes", -149.0f, 127.9f, exp2Float, exp2Float4, exp2Block, pow2);
    check ("exp", -30.0f, 30.0f, expFloat, expFloat4, expBlock, libExp);
    check ("sin", -7.0f, 7.0f, sinFloat, sinFloat4, sinBlock, libSin);
    check ("sin far", -9.0e4f, 9.0e4f, sinFloat, sinFloat4, sinBlock, libSin);

    // Exact values and the edges of float's range.
    const float inf = std::numeric_limits<float>::infinity();
    EXPECT_EQ (exp2Float (0.0f), 1.0f);
    EXPECT_EQ (exp2Float (10.0f), 1024.0f);
    EXPECT_EQ (exp2Float (-3.0f), 0.125f);
    EXPECT_EQ (expFloat (0.0f), 1.0f);
    EXPECT_EQ (exp2Float (128.0f), inf);
    EXPECT_EQ (exp2Float (1.0e6f), inf);
    EXPECT_EQ (expFloat (-1.0e6f), 0.0f);
    EXPECT_EQ (exp2Float (-inf), 0.0f);
    EXPECT_TRUE (std::isnan (exp2Float (std::nanf (""))));
    EXPECT_TRUE (std::isnan (expFloat (std::nanf (""))));
    EXPECT_TRUE (std::signbit (sinFloat (-0.0f)));
    EXPECT_EQ (sinFloat (3.1415927f), std::sin (3.1415927f));    // float pi is not a zero
    EXPECT_EQ (sinFloat (1.0e7f), std::sin (1.0e7f));
    EXPECT_TRUE (std::isnan (sinFloat (inf)));

    // Runs of a repeated value count by bits: -0 is not 0, a NaN repeats.
    for (int end = 0; end <= 13; ++end)
    {
        std::vector<float> run (13, 0.75f);
        if (end < 13)
            run[(size_t) end] = 0.7500001f;
        EXPECT_EQ (countRepeats (run.data(), 13, 0.75f), end);
        EXPECT_EQ (countRepeats (run.data() + 1, 12, 0.75f), end == 0 ? 12 : end - 1);
    }
    const float zeros[] = { 0.0f, 0.0f, -0.0f }, nans[] = { std::nanf (""), std::nanf ("") };
    EXPECT_EQ (countRepeats (zeros, 3, 0.0f), 2);
    EXPECT_EQ (countRepeats (nans, 2, nans[0]), 2);
    EXPECT_EQ (countRepeats (zeros, 0, 0.0f), 0);

    alignas (16) float lanes[4] = { 0.5f, std::nanf (""), 2.0e5f, -1.0f };
    _mm_store_ps (lanes, sinFloat4 (_mm_load_ps (lanes)));
    EXPECT_EQ (lanes[0], sinFloat (0.5f));
    EXPECT_TRUE (std::isnan (lanes[1]));
    EXPECT_EQ (lanes[2], std::sin (2.0e5f));
    EXPECT_EQ (lanes[3], sinFloat (-1.0f));
}

TEST (DspHelpers, ExpCurve)
{
    for (float k : { -2.0f, 1.0f, 3.0f })
    {
        EXPECT_FLOAT_EQ (expCurve (0.0f, k), 0.0f);
        EXPECT_FLOAT_EQ (expCurve (1.0f, k), 1.0f);
    }
    EXPECT_NEAR (expCurve (0.5f, 3.0f), 0.182f, 1e-3f);
}

TEST (DspHelpers, RandomHasTheWindowsSequencePerThread)
{
    auto firstFour = []
    {
        std::vector<int> v;
        for (int i = 0; i < 4; ++i)
            v.push_back (qmRand());
        return v;
    };

    std::vector<int> inThread;
    std::thread t ([&] { inThread = firstFour(); });
    t.join();
    EXPECT_EQ (inThread, (std::vector<int> { 41, 18467, 6334, 26500 }));

    qmSrand (1);
    EXPECT_EQ (firstFour(), inThread);
}

TEST (Drift, TablesHaveZeroMeanAndTheWalkSpansOne)
{
    QmDriftGenerator drift;
    const int n = (int) QmDriftGenerator::length;
    double sum0 = 0, sq0 = 0, sum1 = 0, lo = 1e9, hi = -1e9;

    for (int i = 0; i < n; ++i)
    {
        ASSERT_TRUE (std::isfinite (drift.tables[0][i]) && std::isfinite (drift.tables[1][i]));
        sum0 += drift.tables[0][i];
        sq0 += drift.tables[0][i] * drift.tables[0][i];
        sum1 += drift.tables[1][i];
        lo = std::min (lo, (double) drift.tables[1][i]);
        hi = std::max (hi, (double) drift.tables[1][i]);
    }

    EXPECT_NEAR (sum0 / n, 0.0, 1e-6);
    EXPECT_NEAR (std::sqrt (sq0 / n), 1.0, 0.05);   // about unit variance (15-bit draws)
    EXPECT_NEAR (sum1 / n, 0.0, 1e-5);
    EXPECT_NEAR (hi - lo, 1.0, 1e-5);
}

TEST (Drift, TapsStartApartAndWrap)
{
    QmDriftGenerator drift;
    std::unique_ptr<QmDriftTap> a (drift.createTap (1)), b (drift.createTap (1)), none (drift.createTap (5));
    EXPECT_EQ (a->position, 0);
    EXPECT_EQ (b->position, 30156);
    EXPECT_EQ (none->position, 60312);

    std::vector<float> fromA (30200), fromB (10);
    a->read (fromA.data(), 30200);
    b->read (fromB.data(), 10);
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ (fromB[i], fromA[30156 + i]);

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

    a->position = a->length - 1;
    float two[2];
    a->read (two, 2);
    EXPECT_EQ (two[0], drift.tables[1][a->length - 1]);
    EXPECT_EQ (two[1], drift.tables[1][0]);

    // An offset that lands exactly on the length wraps to 0.
    drift.offset = a->length - 30156;
    std::unique_ptr<QmDriftTap> last (drift.createTap (0));
    EXPECT_EQ (drift.offset, 0);
    std::unique_ptr<QmDriftTap> first (drift.createTap (0));
    EXPECT_EQ (first->position, 0);
}

TEST (Drift, ADrawOfExactlyZeroDoesNotPoisonTheTables)
{
    // With seed 778 the 52476th pair of draws is (0, 0): s == 0 must be redrawn.
    bool allFinite = false, zeroPairSeen = false;

    std::thread t ([&]
    {
        qmSrand (778);
        for (int j = 0; j <= 52475; ++j)
        {
            const int a = qmRand() % 10000, b = qmRand() % 10000;
            zeroPairSeen = j == 52475 && a == 5000 && b == 5000;
        }

        qmSrand (778);
        QmDriftGenerator drift;
        allFinite = true;
        for (int i = 0; i < (int) QmDriftGenerator::length; ++i)
            allFinite = allFinite && std::isfinite (drift.tables[0][i]) && std::isfinite (drift.tables[1][i]);
    });
    t.join();

    EXPECT_TRUE (zeroPairSeen);
    EXPECT_TRUE (allFinite);
}

TEST (HumNoise, HumIsTroughsOfFiftyHertzWithoutDcAndNoiseIsBounded)
{
    QmHumNoiseSource source (88200);
    source.highPass.a = 0.0f;       // look at the raw hum first
    source.highPass.b0 = 1.0f;
    source.highPass.b1 = 0.0f;
    source.fill (8192);

    int troughStarts = 0;
    for (int i = 0; i < 8192; ++i)
    {
        ASSERT_GE (source.hum[i], -1.0f);
        ASSERT_LE (source.hum[i], -0.5f);
        ASSERT_GE (source.noise[i], -1.0f);
        ASSERT_LE (source.noise[i], 0.998f + 1e-6f);
        if (i > 0 && source.hum[i] < -0.5f && source.hum[i - 1] == -0.5f)
            ++troughStarts;
    }
    EXPECT_EQ (troughStarts, 5);   // troughs start 1029 samples in, then every 1764

    QmHumNoiseSource filtered (88200);
    double sum = 0.0;
    for (int block = 0; block < 40; ++block)
    {
        filtered.fill (8192);
        if (block >= 20)
            for (int i = 0; i < 8192; ++i)
                sum += filtered.hum[i];
    }
    EXPECT_NEAR (sum / (20 * 8192), 0.0, 0.01);
    EXPECT_GE (filtered.phase, 0.0f);

    // Every sample is the plain formula's to the bit, the troughs included.
    QmHumNoiseSource fast (44100);
    QmOnePole highPass = fast.highPass;
    float phase = 0.0f;
    for (int block = 0; block < 4; ++block)
    {
        fast.fill (4000);
        for (int i = 0; i < 4000; ++i)
        {
            const float hum = highPass.step (std::min (std::sin (6.2831855f * phase), -0.5f));
            ASSERT_EQ (fast.hum[i], hum) << block << " " << i;
            phase += 50.0f / 44100.0f;
            if (phase > 1.0f)
                phase -= 1.0f;
        }
    }
}
