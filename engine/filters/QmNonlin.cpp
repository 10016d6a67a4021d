#include "QmNonlin.h"

#include "QmCache.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <mutex>
#include <vector>

namespace
{
    constexpr size_t tableBytes = sizeof (float) * (size_t) QmNonlin::tableSize;
}

double QmNonlin::solve (double, double)
{
    std::printf ("DONT CALL ME QMNONLIN!");
    return 0.0;
}

float QmNonlin::lookupBlock (float x)
{
    const float limit = (float) (range * 0.5 * 0.9);

    if (x > limit)
        x = limit;

    if (x < -limit)
        x = -limit;

    double d;
    const float p = position (x, d);

    // NaN lands here too: the output holds its last value.
    if (! (p >= 2.0f))
        return lastResult + lastResult;

    float v;

    if (p >= (float) (tableSize - 1))
    {
        const float i = std::floor (p);
        v = table[tableSize - 2] + (table[tableSize - 1] - table[tableSize - 2]) * (i - (float) (tableSize - 2));
    }
    else
    {
        v = valueAt (p);
    }

    lastPos = p;
    const float q = (float) ((double) (v - lastValue) / d);
    lastValue = v;
    lastResult = q;
    return q + q;
}

void QmNonlin::loadOrComputeTable (int mode, std::string key)
{
    auto* cache = QmCache::getInstance();
    const auto cacheKey = juce::String::fromUTF8 (key.c_str());

    // Checking and replacing an entry is one step, so two instances built on
    // two threads solve a missing table once.
    const juce::ScopedLock sl (cache->getLock());

    size_t numBytes = 0;
    const void* data = cache->get (cacheKey, {}, &numBytes);

    // A short or long copy (a crash while writing, a full disk), or one holding
    // a value that is not finite (which every sound read from it would carry),
    // is solved again.
    if (data == nullptr || numBytes != tableBytes
         || ! std::all_of (static_cast<const float*> (data), static_cast<const float*> (data) + tableSize,
                           [] (float v) { return std::isfinite (v); }))
    {
        std::vector<float> entries ((size_t) tableSize);

        switch (mode)
        {
            case transferMode:      fillTransferTable (entries.data()); break;
            case ratioIntegralMode: fillRatioIntegralTable (entries.data()); break;
            case integralMode:      fillIntegralTable (entries.data()); break;
            case inverseRatioMode:  fillInverseRatioTable (entries.data()); break;
            default: break;
        }

        cache->store (cacheKey, entries.data(), tableBytes);
        data = cache->get (cacheKey);
    }

    table = static_cast<const float*> (data);
    cubics = sharedCubics (key, table);
}

std::shared_ptr<const QmNonlin::Cubic[]> QmNonlin::sharedCubics (const std::string& key, const float* table)
{
    struct Shared
    {
        std::vector<float> table;
        std::shared_ptr<const Cubic[]> cubics;
    };

    // The table's bytes are kept to compare: a table replaced in the cache
    // (solved again, or read from another cache) gets cubics of its own.
    static std::mutex lock;
    static std::map<std::string, Shared> shared;
    const std::lock_guard<std::mutex> sl (lock);
    auto& entry = shared[key];

    if (entry.cubics == nullptr || std::memcmp (entry.table.data(), table, tableBytes) != 0)
    {
        entry.table.assign (table, table + tableSize);
        entry.cubics = buildCubics (table);
    }

    return entry.cubics;
}

std::shared_ptr<const QmNonlin::Cubic[]> QmNonlin::buildCubics (const float* table)
{
    // Positions p in [2, 4095) read entries floor (p) - 2 .. floor (p) + 1.
    std::shared_ptr<Cubic[]> cubics (new Cubic[tableSize]);

    for (int i = 0; i < tableSize; ++i)
    {
        if (i < 2 || i > tableSize - 2)
        {
            cubics[i] = {};
            continue;
        }

        const float p0 = table[i - 2], p1 = table[i - 1], p2 = table[i], p3 = table[i + 1];
        cubics[i].a = (p3 - p0) * 0.5f + (p1 - p2) * 1.5f;
        cubics[i].b = p0 - 2.5f * p1 + 2.0f * p2 - 0.5f * p3;
        cubics[i].c = (p2 - p0) * 0.5f;
        cubics[i].p1 = p1;
    }

    return cubics;
}

std::string QmNonlin::intToString (int n)
{
    return std::to_string (n);
}

void QmNonlin::fillTransferTable (float* entries)
{
    range = 64;
    const double y0 = solve (0.0, 0.0);
    const double y1 = solve (0.1, y0);
    const float slope = (float) ((y1 - y0) / 0.1);

    double y = 0.0;

    for (int i = 0; i < tableSize; ++i)
    {
        const double x = i * (1.0 / 4096.0) * range / slope;
        y = solve (x, y);
        entries[i] = (float) y;
    }
}

void QmNonlin::fillIntegralTable (float* entries)
{
    range = 64;
    double y = 0.0;

    for (int i = 0; i < tableSize; ++i)
    {
        const double x = (i - 2048) * (1.0 / 4096.0) * range;
        y = solve (x, y);
        entries[i] = (float) y;
    }

    runningSum (entries);
}

void QmNonlin::fillRatioIntegralTable (float* entries)
{
    range = 64;
    double y = 0.0;

    for (int i = 0; i < tableSize; ++i)
    {
        double x = (i - 2048) * (1.0 / 4096.0) * range;

        if (x == 0.0)
            x = 1e-7;

        y = solve (x, y);
        entries[i] = (float) (y / x);
    }

    runningSum (entries);
}

void QmNonlin::fillInverseRatioTable (float* entries)
{
    range = 64;
    double y = 0.0;

    for (int i = 0; i < tableSize; ++i)
    {
        const double x = i * (1.0 / 4096.0) * range;
        y = solve (x, y);
        entries[i] = x == 0.0 ? 1.0f : (float) (x / y);
    }
}

void QmNonlin::runningSum (float* entries)
{
    // Each entry becomes the sum of all earlier ones plus half of its own; the
    // step 1/64 is left out on purpose, the lookups scale for it.
    float acc = 0.0f;

    for (int i = 0; i < tableSize; ++i)
    {
        const float t = entries[i];
        entries[i] = (float) (t * 0.5 + acc);
        acc = acc + t;
    }
}

float QmNonlin::plainLookup (float x) noexcept
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

    if (i < 2 || i > tableSize - 2)
        return 0.0f;

    const float v = (float) cubicInterpolate (table[i - 2], table[i - 1], table[i], table[i + 1], p - (float) i);
    lastPos = p;
    const float q = (float) ((double) (v - lastValue) / d);
    lastValue = v;
    return (float) (q * 2.0);
}
