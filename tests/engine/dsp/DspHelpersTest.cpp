#include "QmDriftGenerator.h"
#include "QmFastMath.h"
#include "QmOnePole.h"
#include "QmRandom.h"
#include "QmVectorMath.h"

#include <gtest/gtest.h>

#include <cstring>
#include <thread>

namespace
{
    bool sameBits (float a, float b) { return std::memcmp (&a, &b, sizeof (a)) == 0; }

    std::vector<float> points (double from, double to, double step, std::vector<float> extra = {})
    {
        for (double x = from; x < to; x += step)
            extra.push_back ((float) x);
        return extra;
    }

    // Largest relative error of f against reference (absolute where the
    // reference is 0); a non-finite result counts as infinite error.
    template <typename Vector, typename Reference>
    double worstError (Vector f, Reference reference, std::vector<float> xs)
    {
        double worst = 0.0;
        xs.resize ((xs.size() + 3) & ~size_t (3), xs.back());

        for (size_t i = 0; i < xs.size(); i += 4)
        {
            alignas (16) float out[4];
            _mm_store_ps (out, f (_mm_loadu_ps (xs.data() + i)));

            for (size_t j = 0; j < 4; ++j)
            {
                const double want = reference ((double) xs[i + j]), error = want == 0.0 ? std::abs (out[j]) : std::abs (out[j] - want) / std::abs (want);
                worst = std::isfinite (out[j]) ? std::max (worst, error) : HUGE_VAL;
            }
        }

        return worst;
    }
}

TEST (DspHelpers, OnePoleBlocksAndTheWindowsRandSequencePerThread)
{
    // Constant runs (where the block skips a settled filter), steps, a
    // one-sample blip and a run after the next change.
    std::vector<float> in (6000, 0.25f);
    std::fill (in.begin() + 4000, in.end(), -0.75f), std::fill (in.begin() + 5500, in.end(), 0.0f);
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
        EXPECT_TRUE (sameBits (block.y1, plain.y1)) << block.y1 << " vs " << plain.y1;
        EXPECT_TRUE (sameBits (block.x1, plain.x1)) << block.x1 << " vs " << plain.x1;
    }

    // rand () as the Windows runtime's, seeded 1 in every thread.
    auto firstFour = [] { return std::vector<int> { qmRand(), qmRand(), qmRand(), qmRand() }; };
    std::vector<int> inThread;
    std::thread ([&] { inThread = firstFour(); }).join();
    EXPECT_EQ (inThread, (std::vector<int> { 41, 18467, 6334, 26500 }));
    qmSrand (1);
    EXPECT_EQ (firstFour(), inThread);
}

TEST (DspHelpers, FastExpSineTanhRatioAndTanStayWithinAFewUlpsOfLibm)
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
                ASSERT_TRUE (sameBits (four[k % 4], f)) << name << " at " << x[k] << ": " << four[k % 4] << " vs " << f;
                ASSERT_TRUE (k >= count - 3 || sameBits (viaBlock[k], f)) << name << " at " << x[k] << ": " << viaBlock[k] << " vs " << f;
            }
        }
    };

    using namespace QmFastMath;
    auto libSin = [] (float x) { return std::sin (x); };

    // Pitches with room for modulation, float's whole range, envelope and
    // mod depths; phases of a cycle and far beyond.
    check ("exp2", -149.0f, 127.9f, exp2Float, exp2Float4, exp2Block, [] (float x) { return std::pow (2.0f, x); });
    check ("exp", -30.0f, 30.0f, expFloat, expFloat4, expBlock, [] (float x) { return std::exp (x); });
    check ("sin", -7.0f, 7.0f, sinFloat, sinFloat4, sinBlock, libSin);
    check ("sin far", -9.0e4f, 9.0e4f, sinFloat, sinFloat4, sinBlock, libSin);

    // The edges of float's range; a NaN lane leaves the others alone.
    const float inf = std::numeric_limits<float>::infinity(), nan = std::nanf ("");
    EXPECT_EQ (exp2Float (1.0e6f), inf);
    EXPECT_EQ (expFloat (-1.0e6f), 0.0f);
    EXPECT_EQ (exp2Float (-inf), 0.0f);
    EXPECT_TRUE (std::isnan (expFloat (nan)));
    EXPECT_TRUE (std::isnan (sinFloat (inf)));
    EXPECT_TRUE (std::signbit (sinFloat (-0.0f)));
    EXPECT_EQ (sinFloat (1.0e7f), std::sin (1.0e7f));
    alignas (16) float lanes[4] = { 0.5f, nan, 2.0e5f, -1.0f };
    _mm_store_ps (lanes, sinFloat4 (_mm_load_ps (lanes)));
    EXPECT_EQ (lanes[0], sinFloat (0.5f));
    EXPECT_TRUE (std::isnan (lanes[1]));
    EXPECT_EQ (lanes[2], std::sin (2.0e5f));
    EXPECT_EQ (lanes[3], sinFloat (-1.0f));

    // Runs of a repeated value count by bits, through every tail length:
    // -0 is not 0, a NaN repeats.
    float run[14];
    for (int end = 0; end <= 13; ++end)
    {
        std::fill (run, run + 14, 0.75f), run[end] = 0.7500001f;
        EXPECT_EQ (countRepeats (run, 13, 0.75f), end);
    }
    const float zeros[] = { 0.0f, 0.0f, -0.0f }, nans[] = { nan, nan };
    EXPECT_EQ (countRepeats (zeros, 3, 0.0f), 2);
    EXPECT_EQ (countRepeats (nans, 2, nans[0]), 2);

    auto tanhRatio = [] (double v) { return v == 0.0 ? 1.0 : std::tanh (v) / v; };

    // Zeros, huge values where v^2 overflows or nearly does, and both sides of the saturation point.
    const std::vector<float> special { 0.0f, -0.0f, 1e30f, -1e30f, 1.9e19f, -3e38f, 7.9053106f, 7.9053116f };
    EXPECT_LT (worstError (QmVectorMath::tanhRatio4, tanhRatio, points (-30.0, 30.0, 1.3e-4, special)), 5e-7);
    EXPECT_LT (worstError (QmVectorMath::tanhRatio4, tanhRatio, points (-1e-3, 1e-3, 1e-7)), 2e-7);

    // tan below a quarter turn.
    EXPECT_LT (worstError (QmVectorMath::tan4, [] (double x) { return std::tan (x); }, points (-1.5, 1.5, 3.1e-6, { 0.0f })), 5e-7);
}

TEST (Drift, TapsWrapAndAZeroDrawIsRedrawn)
{
    QmDriftGenerator drift;

    // Taps start 30156 apart; a tap on no table reads silence.
    std::unique_ptr<QmDriftTap> a (drift.createTap (1)), b (drift.createTap (1)), none (drift.createTap (5));
    std::vector<float> fromA (30166), fromB (10);
    a->read (fromA.data(), 30166), b->read (fromB.data(), 10);
    EXPECT_EQ (std::vector<float> (fromA.begin() + 30156, fromA.end()), fromB);
    none->read (fromB.data(), 10);
    EXPECT_EQ (fromB[3], 0.0f);

    // Reads of any length across the end continue the table sample by sample.
    std::unique_ptr<QmDriftTap> chunked (drift.createTap (0));
    const int start = chunked->position = chunked->length - 1000;
    std::vector<float> got (2500);
    chunked->read (got.data(), 999), chunked->read (got.data() + 999, 0), chunked->read (got.data() + 999, 2), chunked->read (got.data() + 1001, 1499);
    for (int k = 0; k < 2500; ++k)
        ASSERT_EQ (got[(size_t) k], drift.tables[0][(start + k) % chunked->length]) << k;
    EXPECT_EQ (chunked->position, 1500);

    // A position outside the table restarts it instead of reading past it.
    chunked->position = chunked->length + 5;
    chunked->read (fromB.data(), 2);
    EXPECT_EQ (fromB[0], drift.tables[0][0]);
    EXPECT_EQ (chunked->position, 2);

    // An offset that lands exactly on the length wraps to 0.
    drift.offset = a->length - 30156;
    std::unique_ptr<QmDriftTap> last (drift.createTap (0)), first (drift.createTap (0));
    EXPECT_EQ (first->position, 0);

    // With seed 778 the 52476th pair of draws (rand () % 10000 each) is
    // (5000, 5000), a point at the centre: s == 0 must be redrawn.
    bool allFinite = true, zeroPair = false;
    unsigned int state = 778;
    for (int j = 0; j <= 52475; ++j)    // both drawn every time
        zeroPair = (qmRandNext (state) % 10000 == 5000) & (qmRandNext (state) % 10000 == 5000);

    QmDriftTables seeded (778);
    for (int i = 0; i < QmDriftTables::size; ++i)
        allFinite = allFinite && std::isfinite (seeded.get (0)[i]) && std::isfinite (seeded.get (1)[i]);
    EXPECT_TRUE (zeroPair);
    EXPECT_TRUE (allFinite);
}
