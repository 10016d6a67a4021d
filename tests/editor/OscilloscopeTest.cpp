#include "QmOscilloscope.h"
#include "QmScopeFeed.h"
#include "TestSkin.h"

#include <cmath>

namespace
{
    /** Rows of a column drawn in the trace colour. */
    std::vector<int> tracedRows (const juce::Image& image, int x)
    {
        std::vector<int> rows;
        for (int y = 0; y < image.getHeight(); ++y)
            if (image.getPixelAt (x, y).getGreen() > 200)
                rows.push_back (y);
        return rows;
    }

    struct Oscilloscope : ::testing::Test
    {
        Oscilloscope()
        {
            scope.setBounds (500, 20, 200, 64);
            scope.setBackgroundColour (juce::Colour (0xff101010));
        }

        void pushSine (int count)
        {
            std::vector<float> samples ((size_t) count);
            for (auto& s : samples)
                s = 0.3f * (float) std::sin ((phase += juce::MathConstants<double>::twoPi / 50.0));
            feed->push (samples.data(), count);
        }

        std::unique_ptr<juce::Drawable> element = skinElement ("<rect id=\"oscilloscope\" x=\"500\" y=\"20\" width=\"200\" height=\"64\"/>", "oscilloscope");
        QmOscilloscope scope { *element };
        std::unique_ptr<QmScopeFeed> feed = std::make_unique<QmScopeFeed>();
        double phase = 1.0;
    };
}

TEST_F (Oscilloscope, AHeldNoteStandsStill)
{
    pushSine (3000);
    feed->setSampleRate (48000);
    scope.showLatest (*feed);
    const std::vector<float> first (scope.getTraceBuffer().begin(), scope.getTraceBuffer().begin() + 200);

    // From a rising zero crossing, the peak scaled to 0.9.
    EXPECT_TRUE (first[0] >= 0.0f && first[0] < 0.2f && first[1] > first[0]);
    EXPECT_NEAR (*std::max_element (first.begin(), first.end()), 0.9f, 1.0e-3f);

    EXPECT_TRUE (scope.isRefreshRequested());
    scope.refreshIfRequested();
    EXPECT_EQ (std::pair (scope.isRefreshRequested(), scope.getSamplesPerFrame()), std::pair (false, 1600));

    // Nothing new: no refresh. A block later, at another phase: the same picture.
    scope.showLatest (*feed);
    EXPECT_FALSE (scope.isRefreshRequested());
    pushSine (37);
    scope.showLatest (*feed);
    for (int i = 0; i < 200; ++i)
        ASSERT_NEAR (scope.getTraceBuffer()[(size_t) i], first[(size_t) i], 1.0e-4f) << i;
}

TEST_F (Oscilloscope, SamplesOutOfRangeOrNotFiniteAndAWidthBeyondTheBuffer)
{
    auto& trace = scope.getTraceBuffer();
    for (auto [i, v] : { std::pair { 1, 5.0f }, { 2, std::numeric_limits<float>::quiet_NaN() },
                         { 3, -std::numeric_limits<float>::infinity() }, { 4, -1.0f } })
        trace[(size_t) i] = v;

    // Each column joins the previous sample to its own: clamped to the top,
    // back to the middle, non-finite drawn as 0, down to the bottom edge;
    // the last column is not drawn.
    const auto image = EditorTest::paint (scope);
    EXPECT_EQ (std::tuple (tracedRows (image, 0), tracedRows (image, 1).size(), tracedRows (image, 2).size(), tracedRows (image, 3), tracedRows (image, 4).back()),
               std::tuple (std::vector<int> { 32 }, 33u, 33u, std::vector<int> { 32 }, 63));
    EXPECT_EQ (std::pair (tracedRows (image, 199), EditorTest::pixel (image, 199, 5)), std::pair (std::vector<int> {}, 0xff101010u));

    // Wider than the buffer: the columns past it stay background.
    QmOscilloscope wide (*element);
    wide.setBounds (0, 0, QmOscilloscope::bufferSize + 50, 4);
    wide.getTraceBuffer().back() = 1.0f;
    const auto wideImage = EditorTest::paint (wide);
    EXPECT_EQ (tracedRows (wideImage, QmOscilloscope::bufferSize - 1), (std::vector<int> { 0, 1, 2 }));
    EXPECT_EQ (tracedRows (wideImage, QmOscilloscope::bufferSize + 10), std::vector<int> {});

    // A zero-sized view still has a picture.
    wide.setBounds (0, 0, 0, 0);
    EXPECT_EQ (wide.getTraceImage().getBounds(), juce::Rectangle<int> (0, 0, 1, 1));
}
