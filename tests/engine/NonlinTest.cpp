#include "QmDiodeNonlin.h"
#include "QmJFetNonlin.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>

namespace
{
    // Exposes the generators so tables can be checked against the curve.
    struct Probe : QmJFetNonlin
    {
        using QmJFetNonlin::QmJFetNonlin;
        using QmNonlin::fillIntegralTable;
        using QmNonlin::fillRatioIntegralTable;
        using QmNonlin::fillTransferTable;
    };

    double jfet (double k, double x) { return QmJFetNonlin (1, (float) k).solve (x, 0.0); }
}

TEST (Nonlin, SolversFindTheRootsOfTheirCurves)
{
    QmJFetNonlin jfetNonlin (1, 0.5f);

    for (double x : { -20.0, -0.7, 0.0, 0.3, 2.0, 31.0 })
    {
        const double y = jfetNonlin.solve (x, 0.0);
        EXPECT_NEAR (y, std::tanh (0.5 * y + x), 1e-9) << x;
    }

    // Small-signal slope of y = tanh (k y + x) is 1 / (1 - k).
    EXPECT_NEAR (jfet (-0.9, 1e-4) / 1e-4, 1.0 / 1.9, 1e-4);

    QmDiodeNonlin diode;

    for (double x : { -30.0, -1.0, 0.5, 10.0 })
    {
        const double y = diode.solve (x, 0.0);
        const double raw = std::abs (y) * 14.0 / 4.0;    // the solution before scaling
        EXPECT_NEAR ((std::exp (7.0 * raw) - 1.0) * 1e-13 + raw, std::abs (x) * 0.4, 1e-9) << x;
        EXPECT_EQ (y < 0.0, x < 0.0) << x;
    }

    EXPECT_EQ (diode.solve (0.0, 0.0), 0.0);
    EXPECT_FALSE (std::signbit (diode.solve (0.0, 0.0)));
}

TEST (Nonlin, TablesHoldTheCurveAndItsRunningIntegrals)
{
    Probe probe (2, 0.5f);
    std::vector<float> table (4096);

    // Mode 2: each step of the table is the mean of two neighbouring points.
    probe.fillIntegralTable (table.data());
    for (int i : { 1, 1000, 2048, 2049, 4095 })
    {
        const double fa = probe.solve ((i - 1 - 2048) / 64.0, 0.0);
        const double fb = probe.solve ((i - 2048) / 64.0, 0.0);
        EXPECT_NEAR (table[(size_t) i] - table[(size_t) i - 1], 0.5 * (fa + fb), 2e-3) << i;
    }
    EXPECT_NEAR (table[0], 0.5 * probe.solve (-32.0, 0.0), 1e-6);

    // Mode 1 at x = 0 takes x = 1e-7: the small-signal ratio 1 / (1 - k) = 2.
    probe.fillRatioIntegralTable (table.data());
    for (float v : table)
        ASSERT_TRUE (std::isfinite (v));
    const double ratio2049 = probe.solve (1.0 / 64.0, 0.0) * 64.0;
    EXPECT_NEAR (table[2049] - table[2048], 0.5 * (2.0 + ratio2049), 2e-3);

    // Mode 0 scales x by the small-signal slope: unit slope in table steps.
    probe.fillTransferTable (table.data());
    EXPECT_EQ (table[0], 0.0f);
    const float slope = (float) ((probe.solve (0.1, 0.0) - probe.solve (0.0, 0.0)) / 0.1);
    EXPECT_NEAR (table[1], probe.solve (1.0 / 4096.0 * 64.0 / slope, 0.0), 1e-7);
    EXPECT_NEAR (table[1] * 64.0f, 1.0f, 0.03f);
    EXPECT_NEAR (table[4095], std::tanh (0.5 * table[4095] + 4095.0 / 64.0 * 0.5), 1e-5);
    EXPECT_EQ (probe.range, 64);
}

TEST (Nonlin, LookupIsTheAntiderivativeQuotientOfTheCurve)
{
    QmJFetNonlin nonlin (2, 0.5f);

    // A slow ramp: the quotient is twice the curve at the previous table
    // position (x - 1/64).
    float out = 0.0f;
    for (int i = 0; i <= 200; ++i)
        out = nonlin.lookup (-1.0f + (float) i * 0.01f);
    EXPECT_NEAR (out, 2.0 * nonlin.solve (1.0 - 1.0 / 64.0, 0.0), 0.01);

    // The same input twice steps back by 0.1 positions and divides by -0.1.
    QmJFetNonlin twice (2, 0.5f);
    twice.lookup (0.5f);
    const float pos = twice.lastPos;
    const float second = twice.lookup (0.5f);
    EXPECT_FLOAT_EQ (twice.lastPos, pos - 0.1f);
    EXPECT_NEAR (second, 2.0 * twice.solve (0.5 - 1.0 / 64.0, 0.0), 0.01);

    // The first lookup measures its step from position 0 and value 0.
    QmJFetNonlin fresh (2, 0.5f);
    const float first = fresh.lookup (0.0f);
    EXPECT_NEAR (first, 2.0 * fresh.lastValue / 2048.0, 1e-6);
}

TEST (Nonlin, LookupOutsideTheTableGivesZeroAndKeepsItsState)
{
    QmJFetNonlin nonlin (1, 0.5f);
    nonlin.lookup (0.25f);
    const float pos = nonlin.lastPos, value = nonlin.lastValue;

    // Below -32, from about 31.98 up, the two first positions (whose window
    // starts before the table), NaN and huge values.
    for (float x : { -40.0f, 31.99f, -31.99f, -31.97f, std::numeric_limits<float>::quiet_NaN(),
                     std::numeric_limits<float>::infinity(), -1e30f, 1e30f })
    {
        EXPECT_EQ (nonlin.lookup (x), 0.0f) << x;
        EXPECT_EQ (nonlin.lastPos, pos);
        EXPECT_EQ (nonlin.lastValue, value);
    }

    // The third position is the first inside.
    EXPECT_NE (nonlin.lookup (-31.96f), 0.0f);
}

TEST (Nonlin, LookupBlockClampsItsInput)
{
    QmJFetNonlin a (2, -0.9f), b (2, -0.9f);

    for (float x : { 100.0f, -100.0f, 1e30f, 5.0f })
    {
        const float limited = std::max (-28.8f, std::min (28.8f, x));
        EXPECT_EQ (a.lookupBlock (x), b.lookupBlock (limited)) << x;
    }

    // NaN holds the last output and leaves the state alone.
    const float last = a.lookupBlock (3.0f);
    b.lookupBlock (3.0f);
    const float pos = a.lastPos;
    EXPECT_EQ (a.lookupBlock (std::numeric_limits<float>::quiet_NaN()), last);
    EXPECT_EQ (a.lastPos, pos);
    EXPECT_EQ (a.lookupBlock (2.0f), b.lookupBlock (2.0f));
}

TEST (Nonlin, LookupFollowsItsFormulaStepByStep)
{
    // The lookup reads cubic coefficients formed once per entry; the formula
    // forms the cubic from the four entries. Both round alike, so the values
    // and the state agree exactly.
    QmJFetNonlin fast (1, 0.5f), plain (1, 0.5f);
    float lastPos = 0.0f, lastValue = 0.0f;

    auto formula = [&] (float x) -> float
    {
        float p = (float) ((double) (x * 4096.0f / 64.0f) + 2048.0);
        double d = (double) (p - lastPos);
        if (std::abs (d) < 0.1)
        {
            const double n = d > 0.0 ? 0.1 : -0.1;
            p = (float) (p + n);
            d = d + n;
        }
        const int i = (int) std::floor (p);
        if (i < 2 || i > 4094)
            return 0.0f;
        const float* t = plain.table;
        const float v = (float) cubicInterpolate (t[i - 2], t[i - 1], t[i], t[i + 1], p - (float) i);
        lastPos = p;
        const float q = (float) ((double) (v - lastValue) / d);
        lastValue = v;
        return (float) (q * 2.0);
    };

    // A wandering input with repeats (lengthened steps), jumps, tiny steps and
    // excursions off both ends of the table.
    float x = 0.0f;
    for (int n = 0; n < 3000; ++n)
    {
        if (n % 7 != 3)
            x += (float) std::sin (n * 0.37) * (n % 11 == 0 ? 9.0f : 0.2f) + (n % 97 == 0 ? 40.0f : 0.0f);
        if (x > 45.0f)
            x -= 80.0f;

        const float want = formula (x);
        const float got = fast.lookup (x);
        ASSERT_EQ (got, want) << n << " x " << x;
        ASSERT_EQ (fast.lastPos, lastPos) << n;
        ASSERT_EQ (fast.lastValue, lastValue) << n;
    }
}
