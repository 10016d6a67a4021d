#include "QmBlep.h"
#include "QmDiagnostics.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <vector>

namespace
{
    constexpr double pi = 3.141592653589793;
}

float besselI0 (float x)
{
    const float h = (float) ((double) x / 2.0);
    float sum = 1.0f, term = 1.0f;

    for (int k = 1;; ++k)
    {
        const float r = h / (float) k;
        term = term * (r * r);
        sum = sum + term;

        if ((double) term < (double) sum * 1e-21)
            break;
    }

    return sum;
}

void kaiserWindow (int n, float* out, float beta)
{
    if (n <= 0)
        return;

    if (n == 1)
    {
        out[0] = 1.0f;
        return;
    }

    const float norm = 1.0f / besselI0 (beta);
    const int half = n / 2;
    const bool odd = (n & 1) != 0;

    // from the centre outwards: left index lo, right index hi at the same |r|
    for (int j = 0; j < (odd ? half + 1 : half); ++j)
    {
        const int hi = half + j;
        const int lo = n - 1 - hi;
        const float r = (float) (2 * hi - (n - 1)) / (float) (n - 1);
        const double root = std::sqrt (1.0 - (double) (r * r));
        const float w = besselI0 ((float) (beta * root)) * norm;
        out[hi] = w;
        out[lo] = w;
    }
}

QmBlep::Tables::Tables()
{
    std::vector<float> window (tableSize);
    kaiserWindow (tableSize, window.data(), 20.0f);

    std::vector<float> s (tableSize);
    for (int e = 0; e < tableSize; ++e)
    {
        const float x = ((float) e / 1024.0f - 1.0f) * 4.0f;
        float sinc = 1.0f;
        if (x != 0.0f)
        {
            const float px = (float) (pi * (double) x);
            sinc = std::sin (px) / px;
        }
        s[e] = sinc * window[e];
    }

    // band-limited unit step: normalised running sum of the windowed sinc
    double acc = 0.0;
    for (int e = 0; e < tableSize; ++e)
    {
        acc += s[e];
        step[e] = (float) acc;
    }
    for (int e = 0; e < tableSize; ++e)
        step[e] = (float) ((double) step[e] / acc);

    // ramp residual: running sum of the step minus the ideal ramp from the centre
    double racc = 0.0;
    for (int e = 0; e < tableSize; ++e)
    {
        racc += step[e];
        ramp[e] = (float) racc;
    }
    for (int e = 0; e < tableSize; ++e)
        ramp[e] = ramp[e] * (1.0f / 64.0f);

    const float last = ramp[tableSize - 1];
    for (int e = tableSize / 2; e < tableSize; ++e)
        ramp[e] = (float) ((double) ramp[e] - (double) (e - 1023) * (double) last / 1024.0);

    step[tableSize] = step[tableSize - 1];
    ramp[tableSize] = ramp[tableSize - 1];
    step[tableSize + 1] = 0.0f;
    ramp[tableSize + 1] = 0.0f;
}

const QmBlep::Tables& QmBlep::getTables()
{
    // Built on first use, under the guard that static locals get; never freed.
    static const Tables tables;
    return tables;
}

QmBlep::QmBlep()
{
    reset();
}

void QmBlep::reset() noexcept
{
    std::fill (std::begin (ring), std::end (ring), 0.0f);
    writeIndex = 0;
}

template <typename Apply>
void QmBlep::forEachTap (float position, Apply&& apply)
{
    for (int tap = 0; tap < taps; ++tap)
    {
        const int slot = (writeIndex - 8 + tap) & (ringSize - 1);
        const float x = ((float) tap + position) * (float) pointsPerSample;
        const float k = std::floor (x);
        const float u = x - k;
        apply (tap, ring[slot], (int) k, u);
    }
}

template <typename F>
void QmBlep::forSlots (int slot, int n, F&& f)
{
    const int first = std::min (n, ringSize - slot);
    f (ring + slot, 0, first);
    if (first < n)
        f (ring, first, n - first);
}

void QmBlep::catchUp() noexcept
{
    if (runNaive == nullptr)
        return;

    const float* naive = runNaive + runAdded;
    forSlots ((runStart + runAdded) & (ringSize - 1), runAt - runAdded, [naive] (float* r, int offset, int n)
    {
        for (int i = 0; i < n; ++i)
            r[i] += naive[offset + i];
    });

    runAdded = runAt;
    writeIndex = (runStart + runAt) & (ringSize - 1);
}

void QmBlep::endRun (float* out, int m) noexcept
{
    runAt = m;
    catchUp();
    runNaive = nullptr;

    // every slot read here is complete: the last corners reach 8 samples back
    forSlots ((runStart - delay) & (ringSize - 1), m, [out] (float* r, int offset, int n)
    {
        for (int i = 0; i < n; ++i)
        {
            out[offset + i] = r[i];
            r[i] = 0.0f;
        }
    });
}

void QmBlep::addStep (float f, float a)
{
    catchUp();

    if (f > 1.0f)
    {
        QmDiagnostics::record (QmDiagnostics::stepTooLate);
        return;
    }

    if (a == 0.0f)
        return;

    forEachTap (f, [this, a] (int tap, float& out, int k, float u)
    {
        out += ((1.0f - u) * step[k] + u * step[k + 1]) * a;

        // the naive signal already holds the ideal step
        if (tap >= 8)
            out = (float) ((double) out - (double) a);
    });
}

void QmBlep::addRamp (float f, float a)
{
    catchUp();
    const float m = (float) (2.0 * (double) a);

    forEachTap (f, [this, m] (int, float& out, int k, float u)
    {
        out -= ((1.0f - u) * ramp[k] + u * ramp[k + 1]) * m;
    });
}
