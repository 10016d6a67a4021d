#include "QmScopeFeed.h"

#include <gtest/gtest.h>

#include <numeric>
#include <vector>

TEST (ScopeFeedTest, KeepsTheLatestSamplesOldestFirstAcrossTheRingsEnd)
{
    constexpr int cap = QmScopeFeed::capacity;
    const auto ramp = [] (int from, int count) { std::vector<float> v ((size_t) count); std::iota (v.begin(), v.end(), (float) from); return v; };
    auto feed = std::make_unique<QmScopeFeed>();
    std::vector<float> out (6, -1.0f);

    // Fewer pushed than asked: only those.
    feed->push (ramp (0, 3).data(), 3);
    EXPECT_EQ (feed->readLatest (out.data(), 6), 3);
    EXPECT_EQ (out, (std::vector<float> { 0, 1, 2, -1, -1, -1 }));

    // Across the ring's end.
    feed->push (ramp (3, cap - 5).data(), cap - 5);
    feed->push (ramp (cap - 2, 7).data(), 7);
    EXPECT_EQ (feed->readLatest (out.data(), 3), 3);
    EXPECT_EQ (out, (std::vector<float> { cap + 2, cap + 3, cap + 4, -1, -1, -1 }));

    // A block longer than the ring keeps its tail; no read gives more than a ring.
    std::vector<float> whole ((size_t) cap + 10);
    feed->push (ramp (100, cap + 10).data(), cap + 10);
    EXPECT_EQ (feed->readLatest (whole.data(), cap + 10), cap);
    EXPECT_EQ (std::pair (whole.front(), whole[(size_t) cap - 1]), std::pair (110.0f, (float) (cap + 109)));
    EXPECT_EQ (feed->getTotalWritten(), (juce::uint64) (2 * cap + 15));
}
