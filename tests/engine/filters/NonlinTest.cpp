#include "QmCache.h"
#include "QmJFetNonlin.h"

#include <gtest/gtest.h>

#include <random>

TEST (Nonlin, SolverRangeChecksAndLookupsAsThePlainFormRoundedAsTheDivision)
{
    const float notANumber = std::nanf ("");
    QmJFetNonlin nonlin (1, 0.5f);
    for (double x : { -20.0, -0.7, 0.0, 0.3, 31.0 })
        EXPECT_NEAR (nonlin.solve (x, 0.0), std::tanh (0.5 * nonlin.solve (x, 0.0) + x), 1e-9) << x;

    // Outside the table the lookup gives 0 and keeps its state: below -32,
    // from about 31.98 up, the two first positions (whose window starts
    // before the table), NaN and huge values.
    nonlin.lookup (0.25f);
    const float pos = nonlin.lastPos, value = nonlin.lastValue;
    for (float x : { -40.0f, 31.99f, -31.99f, -31.97f, notANumber, std::numeric_limits<float>::infinity(), -1e30f, 1e30f })
    {
        EXPECT_EQ (nonlin.lookup (x), 0.0f) << x;
        EXPECT_EQ (nonlin.lastPos, pos) << x;
        EXPECT_EQ (nonlin.lastValue, value) << x;
    }
    EXPECT_NE (nonlin.lookup (-31.96f), 0.0f);    // the third position is the first inside

    // The block lookup clamps to +-28.8; NaN holds the last output and leaves the state alone.
    QmJFetNonlin a (2, -0.9f), b (2, -0.9f);
    float last = 0.0f;
    for (float x : { 100.0f, -100.0f, 1e30f, 3.0f })
        EXPECT_EQ (last = a.lookupBlock (x), b.lookupBlock (std::clamp (x, -28.8f, 28.8f))) << x;
    EXPECT_EQ (a.lookupBlock (notANumber), last);
    EXPECT_EQ (a.lookupBlock (2.0f), b.lookupBlock (2.0f));

    // A slow ramp: the quotient is twice the curve at the previous table position.
    QmJFetNonlin ramp (2, 0.5f);
    float out = 0.0f;
    for (int i = 0; i <= 200; ++i)
        out = ramp.lookup (-1.0f + (float) i * 0.01f);
    EXPECT_NEAR (out, 2.0 * ramp.solve (1.0 - 1.0 / 64.0, 0.0), 0.01);

    // The lookup reads cubic coefficients formed once per entry; the plain
    // form builds the cubic from the four entries. Both round alike.
    QmJFetNonlin fast (1, 0.5f), plain (1, 0.5f);

    // A wandering input with repeats, jumps, tiny steps and excursions off both ends.
    float x = 0.0f;
    for (int n = 0; n < 3000; ++n)
    {
        if (n % 7 != 3)
            x += (float) std::sin (n * 0.37) * (n % 11 == 0 ? 9.0f : 0.2f) + (n % 97 == 0 ? 40.0f : 0.0f);
        if (x > 45.0f)
            x -= 80.0f;

        ASSERT_EQ (fast.lookup (x), plain.plainLookup (x)) << n << " x " << x;
        ASSERT_EQ (fast.lastPos, plain.lastPos) << n << " x " << x;
        ASSERT_EQ (fast.lastValue, plain.lastValue) << n << " x " << x;
    }

    // The coefficients are formed once per table and shared; a table that
    // the cache replaces (solved again, read by a new cache) gets its own.
    const auto key = QmJFetNonlin::makeKey (1, 0.5f);
    const std::vector<float> solved (fast.table, fast.table + QmNonlin::tableSize);
    std::vector<float> other (solved);
    for (auto& v : other)
        v *= 0.5f;
    QmCache::getInstance()->addEntry (key, other.data(), sizeof (float) * other.size());

    QmJFetNonlin replaced (1, 0.5f), replacedPlain (1, 0.5f);
    ASSERT_EQ (replaced.table[1000], other[1000]);
    for (int n = 0; n < 400; ++n)
        ASSERT_EQ (replaced.lookup (std::sin (n * 0.31f) * 20.0f), replacedPlain.plainLookup (std::sin (n * 0.31f) * 20.0f)) << n;

    QmCache::getInstance()->addEntry (key, solved.data(), sizeof (float) * solved.size());

    // Quotients within a few double ulps of halfway between two floats (and
    // ordinary ones), over the steps the lookups take: the product by the
    // reciprocal alone lands on the wrong side of some of these ties.
    std::mt19937 random (5);
    int productMisses = 0;

    for (int k = 0; k < 40000; ++k)
    {
        const float dv = std::ldexp ((float) (random() % (1u << 24)), -30 + (int) (random() % 40)) * (k % 2 ? 1.0f : -1.0f);
        const double tie = std::ldexp ((double) (random() % (1u << 23) + (1u << 23)) + 0.5, -23);
        const double d = k % 4 == 3 ? 0.1 + std::ldexp ((double) random(), -40) : (double) dv / tie;

        const float want = (float) ((double) dv / d);
        productMisses += (float) ((double) dv * (1.0 / d)) != want;
        ASSERT_EQ (QmNonlin::quotient (dv, d, 1.0 / d), want) << dv << " / " << d;
    }

    EXPECT_GT (productMisses, 0);
}
