#include "QmScopeFeed.h"

QmScopeFeed::QmScopeFeed() noexcept
{
    for (auto& sample : ring)
        sample.store (0.0f, std::memory_order_relaxed);
}

void QmScopeFeed::push (const float* samples, int numSamples) noexcept
{
    if (samples == nullptr || numSamples <= 0)
        return;

    // Only the newest ring's worth can be kept.
    const auto skipped = juce::jmax (0, numSamples - capacity);
    auto position = written.load (std::memory_order_relaxed) + (juce::uint64) skipped;

    for (int i = skipped; i < numSamples; ++i)
        ring[(size_t) (position++ & (capacity - 1))].store (samples[i], std::memory_order_relaxed);

    written.store (position, std::memory_order_release);
}

int QmScopeFeed::readLatest (float* dest, int numSamples) const noexcept
{
    if (dest == nullptr || numSamples <= 0)
        return 0;

    const auto end = written.load (std::memory_order_acquire);
    const auto count = (int) juce::jmin ((juce::uint64) juce::jmin (numSamples, capacity), end);
    auto position = end - (juce::uint64) count;

    for (int i = 0; i < count; ++i)
        dest[i] = ring[(size_t) (position++ & (capacity - 1))].load (std::memory_order_relaxed);

    return count;
}
