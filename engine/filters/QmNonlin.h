#pragma once

#include <memory>
#include <string>

/** An analog nonlinearity whose curve is solved point by point with Newton's
    method into a table of 4096 floats, kept in the table cache under a key that
    names the curve, and read at audio rate by cubic interpolation.

    The integral table modes let the lookups form a first-order antiderivative
    output: the change of the integral since the previous input divided by the
    input step, which keeps aliasing of the curve down.

    Each object serves one signal path: the lookups carry their state (last
    position, value and quotient) from call to call.
*/
class QmNonlin
{
public:
    /** Entries in every table. */
    static constexpr int tableSize = 4096;

    /** Table contents by mode, the mode being part of the cache key:
        0 the transfer curve f(x) over [0, 64/slope),
        1 the running integral of f(x)/x over [-32, 32),
        2 the running integral of f(x) over [-32, 32),
        3 x/f(x) over [0, 64). */
    enum Mode { transferMode = 0, ratioIntegralMode = 1, integralMode = 2, inverseRatioMode = 3 };

    QmNonlin() = default;
    virtual ~QmNonlin() = default;

    /** One point of the curve, with start the Newton starting value. */
    virtual double solve (double x, double start);

    /** Antiderivative lookup; 0 for inputs outside the table (below -32, from
        about 31.98 up, or not a number), which leave the state alone. */
    inline float lookup (float x) noexcept;

    /** lookup() as its formula reads: the cubic through the four entries
        around x's table position, its change since the last position over
        the step (lengthened to 0.1 positions), doubled. lookup() reads
        cubics and a reciprocal formed beforehand, and gives the same values
        and state to the bit. */
    float plainLookup (float x) noexcept;

    /** The lookup's state, copied by block loops so that it stays in
        registers: the last position and value, and the table cell of the last
        position (cellStart its integer part, NaN while unknown). */
    struct Cursor
    {
        float lastPos = 0.0f, lastValue = 0.0f;
        float cellStart = __builtin_nanf ("");
        int cell = 0;
    };

    /** The stored state as a cursor, and back. */
    Cursor getCursor() const noexcept   { Cursor c; c.lastPos = lastPos; c.lastValue = lastValue; return c; }
    void setCursor (const Cursor& c) noexcept   { lastPos = c.lastPos; lastValue = c.lastValue; }

    /** Half of lookup() (halving it is exact) at the table position
        p = x positionScale() + 2048, on the given state. */
    inline float halfLookupAt (float p, Cursor& cursor) const noexcept;

    /** Table positions per unit of input: a power of two, so scaling by it is exact. */
    float positionScale() const noexcept { return 4096.0f / (float) range; }

    /** (float) (dv / d), given 1 / d: the product is within 2^-52 of the
        quotient, so when a slightly wider interval around it rounds to a
        single float, that float is the quotient's; otherwise (near a rounding
        boundary, about once in 10^8) the division is done. The reciprocal can
        be formed while dv is still being computed. */
    static inline float quotient (float dv, double d, double inverse) noexcept;

    /** Antiderivative lookup with the input clamped to 90 % of the half range. */
    float lookupBlock (float x);

    /** Takes the table from the cache, solving and storing it when the cache
        has no complete copy. */
    void loadOrComputeTable (int mode, std::string key);

    /** "%d" text of n, independent of the locale. */
    static std::string intToString (int n);

    const float* table = nullptr;   // the cache's copy, owned by the cache
    int range = 64;
    float lastPos = 0.0f;
    float lastValue = 0.0f;
    float lastResult = 0.0f;

protected:
    void fillTransferTable (float* entries);
    void fillIntegralTable (float* entries);
    void fillRatioIntegralTable (float* entries);
    void fillInverseRatioTable (float* entries);

private:
    /** The cubic through entries i - 2 .. i + 1 as a t + b, c and p1, formed
        once per entry when the table arrives (the same float steps as
        cubicInterpolate, so the lookups give the same values). */
    struct alignas (16) Cubic { float a, b, c, p1; };

    /** The table position of x and its step from the last one, lengthened to
        at least 0.1 positions. */
    inline float position (float x, double& step) const noexcept;

    /** The cubic through entries i - 2 .. i + 1, i = floor (p), for p in [2, 4095). */
    inline float valueAt (float p) const noexcept;
    static void runningSum (float* entries);

    /** The cubics of a table: formed once per process for each table
        content under a key, shared by every object that reads it. */
    static std::shared_ptr<const Cubic[]> sharedCubics (const std::string& key, const float* table);
    static std::shared_ptr<const Cubic[]> buildCubics (const float* table);

    std::shared_ptr<const Cubic[]> cubics;
};

/** Four-point cubic through p1 (t = 0) and p2 (t = 1), in float. */
inline double cubicInterpolate (float p0, float p1, float p2, float p3, float t)
{
    const float a = (p3 - p0) * 0.5f + (p1 - p2) * 1.5f;
    const float b = p0 - 2.5f * p1 + 2.0f * p2 - 0.5f * p3;
    const float c = (p2 - p0) * 0.5f;
    return (double) (((a * t + b) * t + c) * t + p1);
}

inline float QmNonlin::position (float x, double& step) const noexcept
{
    // x 4096 / range + 2048; with the power-of-two range both scalings are
    // exact, so one multiplication and one rounded sum give the same float.
    float p = x * (4096.0f / (float) range) + 2048.0f;
    step = (double) (p - lastPos);

    // A step shorter than 0.1 table positions is lengthened, so a constant
    // input never divides by zero. Slow inputs take this path at random, so
    // it is a selection rather than a branch.
    const bool shortStep = step < 0.1 && step > -0.1;
    const double n = shortStep ? (step > 0.0 ? 0.1 : -0.1) : 0.0;
    const float lengthened = (float) (p + n);
    p = shortStep ? lengthened : p;
    step = step + n;
    return p;
}

inline float QmNonlin::valueAt (float p) const noexcept
{
    // Entries i - 1 and i around position p: the value of position p - 1.
    const int i = (int) p;
    const float t = p - (float) i;
    const Cubic& k = cubics[i];
    return ((k.a * t + k.b) * t + k.c) * t + k.p1;
}

inline float QmNonlin::quotient (float dv, double d, double inverse) noexcept
{
    const double q = (double) dv * inverse;

    if (__builtin_expect ((float) (q * (1.0 - 0x1p-50)) != (float) (q * (1.0 + 0x1p-50)), 0))
        return (float) ((double) dv / d);

    return (float) q;
}

inline float QmNonlin::halfLookupAt (float p, Cursor& cursor) const noexcept
{
    // position(), with its work moved off the path from p to the value: no
    // float lies in [0.1, 0.1f), so the step compares alike in float, and
    // within the table p +- 0.1 is never within 1e-8 of a rounding boundary,
    // so the float sum rounds as the double one does. Written as branches:
    // the lengthening follows a pattern the branch predictor learns, and a
    // predicted branch lets the sum start before the step is known.
    const float df = p - cursor.lastPos;
    const bool shortStep = df < 0.1f && df > -0.1f;
    const bool up = df > 0.0f;
    const float lengthened = up ? p + 0.1f : p - 0.1f;
    const double d = (double) df + (shortStep ? (up ? 0.1 : -0.1) : 0.0);
    const double inverse = 1.0 / d;
    p = shortStep ? lengthened : p;

    // Most steps stay in the cell of the last one, whose cubic is then read
    // without converting p to an integer and back; a position in a cell
    // passed the range test when the cell was entered.
    if (__builtin_expect (! (p >= cursor.cellStart && p < cursor.cellStart + 1.0f), 0))
    {
        // The four-point window reads entries i - 2 .. i + 1: the range is
        // tested in float, so NaN and huge inputs never reach the integer
        // conversion.
        if (! (p >= 2.0f && p < (float) (tableSize - 1)))
            return 0.0f;

        cursor.cell = (int) p;
        cursor.cellStart = (float) cursor.cell;
    }

    // valueAt (p): the entries i - 1 and i around it.
    const float t = p - cursor.cellStart;
    const Cubic& k = cubics[cursor.cell];
    const float v = ((k.a * t + k.b) * t + k.c) * t + k.p1;

    cursor.lastPos = p;
    const float q = quotient (v - cursor.lastValue, d, inverse);
    cursor.lastValue = v;
    return q;
}

inline float QmNonlin::lookup (float x) noexcept
{
    Cursor cursor = getCursor();
    const float q = halfLookupAt (x * positionScale() + 2048.0f, cursor);
    setCursor (cursor);
    return q + q;   // q 2.0 in double, then float: the same exact doubling
}
