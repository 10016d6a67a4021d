#pragma once

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
    float lookup (float x);

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
    /** The table position of x and its step from the last one, lengthened to
        at least 0.1 positions. */
    float position (float x, double& step) const noexcept;

    /** The cubic through entries i - 2 .. i + 1, i = floor (p), for p in [2, 4095). */
    float valueAt (float p) const noexcept;
    static void runningSum (float* entries);
};

/** Four-point cubic through p1 (t = 0) and p2 (t = 1), in float. */
double cubicInterpolate (float p0, float p1, float p2, float p3, float t);
