#pragma once

#include <juce_core/juce_core.h>

#include <array>
#include <atomic>

/** The oscilloscope's view of the plug-in's output: a fixed ring of the
    latest samples, written by the audio thread and read by the editor.

    One writer and any number of readers, without locks or allocation. A
    reader that falls more than a ring behind gets overwritten samples, which
    only shows as a glitch in the trace.
*/
class QmScopeFeed
{
public:
    QmScopeFeed() noexcept;

    /** Samples kept; a power of two. */
    static constexpr int capacity = 16384;

    /** Audio thread: appends the samples. */
    void push (const float* samples, int numSamples) noexcept;

    /** Audio thread: the rate of the samples pushed. */
    void setSampleRate (int rate) noexcept           { sampleRate.store (rate, std::memory_order_relaxed); }
    int getSampleRate() const noexcept               { return sampleRate.load (std::memory_order_relaxed); }

    /** How many samples were ever pushed; a reader compares it to see new data. */
    juce::uint64 getTotalWritten() const noexcept    { return written.load (std::memory_order_acquire); }

    /** Copies the latest numSamples pushed, oldest first, into dest and gives
        how many were copied: fewer when fewer were ever pushed (at most
        capacity). */
    int readLatest (float* dest, int numSamples) const noexcept;

private:
    std::array<std::atomic<float>, capacity> ring;
    std::atomic<juce::uint64> written { 0 };
    std::atomic<int> sampleRate { 44100 };

    JUCE_DECLARE_NON_COPYABLE (QmScopeFeed)
};
