#include "KorvixAudioProcessor.h"
#include "QmScopeFeed.h"

#include <gtest/gtest.h>

#include <numeric>
#include <thread>
#include <vector>

namespace
{
    std::vector<float> ramp (int from, int count)
    {
        std::vector<float> v ((size_t) count);
        std::iota (v.begin(), v.end(), (float) from);
        return v;
    }
}

TEST (ScopeFeedTest, KeepsTheLatestSamplesOldestFirst)
{
    auto feed = std::make_unique<QmScopeFeed>();
    std::vector<float> out (8, -1.0f);

    // Fewer pushed than asked: only those.
    feed->push (ramp (0, 3).data(), 3);
    EXPECT_EQ (feed->readLatest (out.data(), 8), 3);
    EXPECT_EQ (out, (std::vector<float> { 0, 1, 2, -1, -1, -1, -1, -1 }));

    // Across the ring's end, and a block longer than the ring keeps its tail.
    constexpr int cap = QmScopeFeed::capacity;
    feed->push (ramp (3, cap - 5).data(), cap - 5);
    feed->push (ramp (cap - 2, 7).data(), 7);
    EXPECT_EQ (feed->readLatest (out.data(), 4), 4);
    EXPECT_EQ (out, (std::vector<float> { cap + 1, cap + 2, cap + 3, cap + 4, -1, -1, -1, -1 }));

    std::vector<float> whole ((size_t) cap + 10);
    feed->push (ramp (100, cap + 10).data(), cap + 10);
    EXPECT_EQ (feed->readLatest (whole.data(), cap + 10), cap);
    EXPECT_EQ (std::pair (whole.front(), whole[(size_t) cap - 1]), std::pair (110.0f, (float) (cap + 109)));
    EXPECT_EQ (feed->getTotalWritten(), (juce::uint64) (2 * cap + 15));

    // A reader beside the writer always sees consecutive runs once it has
    // read behind a writer that is less than a ring ahead.
    std::atomic<bool> stop { false };
    std::thread writer ([&] { for (int i = 0; ! stop; i = (i + 64) % 4096) feed->push (ramp (i, 64).data(), 64); });
    int consecutive = 0;

    for (int n = 0; n < 2000; ++n)
    {
        feed->readLatest (out.data(), 8);
        consecutive += (out[7] - out[0] == 7.0f) ? 1 : 0;
    }

    stop = true;
    writer.join();
    EXPECT_GT (consecutive, 1000);
}

TEST (ScopeFeedTest, TheProcessorFeedsItsLeftOutputAtTheHostRate)
{
    juce::ScopedJuceInitialiser_GUI gui;
    KorvixAudioProcessor processor;
    processor.setRateAndBufferSizeDetails (48000.0, 256);

    juce::AudioBuffer<float> buffer (2, 256);
    juce::MidiBuffer midi;
    midi.addEvent (juce::MidiMessage::noteOn (1, 57, 0.9f), 0);

    for (int block = 0; block < 4; ++block)
    {
        processor.processBlock (buffer, midi);
        midi.clear();
    }

    std::vector<float> latest (256);
    const auto& feed = processor.getScopeFeed();
    ASSERT_EQ (feed.readLatest (latest.data(), 256), 256);
    EXPECT_EQ (std::vector<float> (buffer.getReadPointer (0), buffer.getReadPointer (0) + 256), latest);
    EXPECT_GT (buffer.getMagnitude (0, 0, 256), 0.0f);
    EXPECT_EQ (feed.getSampleRate(), 48000);
}
