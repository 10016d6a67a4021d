#include "QmOscilloscope.h"
#include "QmScopeFeed.h"
#include "TestSkin.h"

#include <gtest/gtest.h>

#include <cmath>

namespace
{
    void pushSine (QmScopeFeed& feed, int count, double& phase, float amplitude = 0.3f)
    {
        std::vector<float> samples ((size_t) count);
        for (auto& s : samples)
        {
            s = amplitude * (float) std::sin (phase);
            phase += juce::MathConstants<double>::twoPi / 50.0;
        }
        feed.push (samples.data(), count);
    }

    /** Rows of a column drawn in the trace colour. */
    std::vector<int> tracedRows (const juce::Image& image, int x)
    {
        std::vector<int> rows;
        for (int y = 0; y < image.getHeight(); ++y)
            if (image.getPixelAt (x, y).getGreen() > 200)
                rows.push_back (y);
        return rows;
    }
}

class Oscilloscope : public ::testing::Test
{
protected:
    Oscilloscope()
    {
        scope.setBounds (500, 20, 200, 64);
        scope.setBackgroundColour (juce::Colour (0xff101010));
    }

    std::unique_ptr<juce::Drawable> element = skinElement ("<rect id=\"oscilloscope\" x=\"500\" y=\"20\" width=\"200\" height=\"64\" fill=\"#101010\"/>", "oscilloscope");
    QmOscilloscope scope { *element };
    std::unique_ptr<QmScopeFeed> feed = std::make_unique<QmScopeFeed>();
};

TEST_F (Oscilloscope, AHeldNoteStandsStillScaledFromARisingZeroCrossing)
{
    EXPECT_EQ (std::tuple (scope.getFrameRate(), scope.getSampleRate(), scope.getSamplesPerFrame()), std::tuple (30, 44100, 1470));

    double phase = 1.0;
    pushSine (*feed, 3000, phase);
    feed->setSampleRate (48000);
    scope.showLatest (*feed);
    const auto first = std::vector<float> (scope.getTraceBuffer().begin(), scope.getTraceBuffer().begin() + 200);

    EXPECT_TRUE (scope.isRefreshRequested());
    EXPECT_GE (first[0], 0.0f);
    EXPECT_LT (first[0], 0.2f);
    EXPECT_GT (first[1], first[0]);
    EXPECT_NEAR (*std::max_element (first.begin(), first.end()), 0.9f, 1.0e-3f);

    scope.refreshIfRequested();
    EXPECT_EQ (std::pair (scope.isRefreshRequested(), scope.getSamplesPerFrame()), std::pair (false, 1600));

    // Nothing new: no refresh. A block later, at another phase: the same picture.
    scope.showLatest (*feed);
    EXPECT_FALSE (scope.isRefreshRequested());
    pushSine (*feed, 37, phase);
    scope.showLatest (*feed);
    for (int i = 0; i < 200; ++i)
        ASSERT_NEAR (scope.getTraceBuffer()[(size_t) i], first[(size_t) i], 1.0e-4f) << i;

    // Silence, with a stray non-finite sample: a flat line in the middle.
    std::vector<float> silence (3000, 0.0f);
    silence[2990] = std::numeric_limits<float>::quiet_NaN();
    feed->push (silence.data(), 3000);
    scope.showLatest (*feed);
    const auto image = EditorTest::paint (scope);
    for (int x : { 0, 100, 198 })
        EXPECT_EQ (tracedRows (image, x), std::vector<int> { 32 }) << x;
    EXPECT_EQ (tracedRows (image, 199), std::vector<int> {});
    EXPECT_EQ (image.getPixelAt (199, 5).getARGB(), 0xff101010);
}

TEST_F (Oscilloscope, SamplesOutOfRangeOrNotFiniteAndAWidthBeyondTheBuffer)
{
    auto& trace = scope.getTraceBuffer();
    trace[0] = 0.0f;
    trace[1] = 5.0f;
    trace[2] = std::numeric_limits<float>::quiet_NaN();
    trace[3] = -std::numeric_limits<float>::infinity();
    trace[4] = -1.0f;

    const auto image = EditorTest::paint (scope);
    // Each column joins the previous sample to its own.
    EXPECT_EQ (tracedRows (image, 0), std::vector<int> { 32 });
    EXPECT_EQ (tracedRows (image, 1).size(), 33u);                          // clamped to the top
    EXPECT_EQ (tracedRows (image, 2).size(), 33u);                          // back to the middle
    EXPECT_EQ (tracedRows (image, 3), std::vector<int> { 32 });             // drawn as 0
    EXPECT_EQ (tracedRows (image, 4).back(), 63);                           // down to the bottom edge

    // Wider than the buffer: the columns past it stay background.
    QmOscilloscope wide (*element);
    wide.setBounds (0, 0, QmOscilloscope::bufferSize + 50, 4);
    wide.getTraceBuffer().back() = 1.0f;
    const auto wideImage = EditorTest::paint (wide);
    EXPECT_EQ (tracedRows (wideImage, QmOscilloscope::bufferSize - 1), (std::vector<int> { 0, 1, 2 }));
    EXPECT_EQ (tracedRows (wideImage, QmOscilloscope::bufferSize + 10), std::vector<int> {});

    // A zero-sized view still has a picture.
    QmOscilloscope none (*element);
    none.setBounds (0, 0, 5, 5);
    none.setBounds (0, 0, 0, 0);
    EXPECT_EQ (none.getTraceImage().getBounds(), juce::Rectangle<int> (0, 0, 1, 1));
}
