// The preset screen, oscilloscope and meter on their own.
#include "EditorTestSupport.h"
#include "QmBank.h"
#include "QmDataFolders.h"
#include "QmOscilloscope.h"
#include "QmPreset.h"
#include "QmScopeFeed.h"
#include "QmScreen.h"
#include "VnMeter.h"
#include "WidgetFont.h"

#include <cmath>
#include <thread>

using EditorTest::paint;
using EditorTest::pixel;
using EditorTest::runMessages;

TEST (PanelDisplays, TheScreenPostsLoadsAndCutsLongLinesAndTheScopeStandsStillInBounds)
{
    // Every pixel of the picture differs: alpha from its position.
    juce::Image arrow (juce::Image::ARGB, 14, 12, true);
    for (int y = 0; y < 12; ++y)
        for (int x = 0; x < 14; ++x)
            arrow.setPixelAt (x, y, juce::Colours::white.withAlpha ((juce::uint8) (x * 12 + y + 20)));
    juce::MemoryOutputStream png;
    juce::PNGImageFormat().writeImageToStream (arrow, png);
    const auto arrowFile = QmDataFolders::getResourceFile ("buttons_faders/arrow.png");
    arrowFile.getParentDirectory().createDirectory();
    arrowFile.replaceWithData (png.getData(), png.getDataSize());
    juce::ImageCache::releaseUnusedImages();

    const auto element = EditorTest::skinElement ("<rect id=\"screen\" x=\"100\" y=\"20\" width=\"260\" height=\"30\"/>", "screen");
    {
        QmScreen screen (*element);

        // The cached original keeps its pixels; the copy is turned by half a turn.
        EXPECT_EQ (juce::ImageCache::getFromFile (arrowFile).getPixelAt (0, 0).getAlpha(), 20);
        EXPECT_NEAR (screen.getArrowImageRotated().getPixelAt (0, 0).getAlpha(), 13 * 12 + 11 + 20, 2);

        // Without a step callback the arrows do nothing (the browser's test
        // steps with one).
        EditorTest::click (screen.getLeftButton());
    }

    // No picture at all: blank arrows, no crash.
    arrowFile.deleteFile();
    juce::ImageCache::releaseUnusedImages();
    QmScreen bare (*element);
    EXPECT_FALSE (bare.getArrowImageRotated().isValid());
    paint (bare);

    // Loads off the message thread are posted, and outlive the screen.
    QmBank bank;
    QmPreset::Ptr preset { new QmPreset() }, loose { new QmPreset() };
    std::tie (bank.name, preset->name, loose->name) = std::tuple ("Vorlan", "default", "Loose");
    bank.addPreset (preset.get());

    auto screen = std::make_unique<QmScreen> (*element);
    const auto loadOnAnotherThread = [&] (QmPreset* p) { std::thread ([&] { QmScreen::presetLoadedCallback (screen.get(), p); }).join(); };

    loadOnAnotherThread (loose.get());
    EXPECT_TRUE (screen->getLines().isEmpty());
    runMessages();
    EXPECT_EQ (screen->getLines(), juce::StringArray (" / Loose"));

    // During a drag a second line shows, which a load replaces.
    screen->addLine ("0.50");
    QmScreen::presetLoadedCallback (screen.get(), preset.get());
    EXPECT_EQ (screen->getLines(), juce::StringArray (" / Loose", "Vorlan / default"));

    // A later load on the message thread wins over an earlier one under way.
    loadOnAnotherThread (loose.get());
    QmScreen::presetLoadedCallback (screen.get(), preset.get());
    runMessages();
    EXPECT_EQ (screen->getLines()[1], "Vorlan / default");

    // A text posted for a screen that is gone by delivery is dropped.
    loadOnAnotherThread (preset.get());
    screen.reset();
    runMessages();

    // A long line is cut short with an ellipsis, never squashed.
    const auto filled = EditorTest::skinElement ("<rect id=\"screen\" x=\"100\" y=\"20\" width=\"260\" height=\"30\" fill=\"#000000\"/>", "screen");
    QmScreen shown (*filled);
    const auto linePicture = [&shown] (const juce::String& text)    { shown.setLastLine (text); return paint (shown); };
    // Runs of columns holding a bright pixel, from..to.
    const auto litRuns = [] (const juce::Image& image, int from, int to)
    {
        int runs = 0;
        for (int x = from, wasLit = 0; x < to; ++x)
        {
            int lit = 0;
            for (int y = 0; y < image.getHeight(); ++y)
                lit |= image.getPixelAt (x, y).getBrightness() > 0.5f;
            runs += lit > wasLit;
            wasLit = lit;
        }
        return runs;
    };

    // Its start is drawn at full width, as a line that fits draws it.
    const juce::String start ("Vorlan / Ab");
    const auto fits = linePicture (start), cut = linePicture (start + juce::String::repeatedString ("cdefgh", 10));
    const auto startEnd = 45 + juce::roundToInt (widgetFont (15.0f).getStringWidthFloat (start)) - 3;
    int differing = 0;
    for (int x = 45; x < startEnd; ++x)
        for (int y = 0; y < fits.getHeight(); ++y)
            differing += fits.getPixelAt (x, y) != cut.getPixelAt (x, y) ? 1 : 0;
    EXPECT_EQ (differing, 0);

    // It ends in three dots at the box's right edge, and nothing is drawn past it.
    EXPECT_EQ (litRuns (cut, 45 + 150 - 12, 45 + 150), 3);
    EXPECT_EQ (litRuns (cut, 45 + 150, shown.getWidth()), 0);

    // The oscilloscope: a held note stands still; bad samples or widths stay in bounds.
    const auto view = EditorTest::skinElement ("<rect id=\"oscilloscope\" x=\"500\" y=\"20\" width=\"200\" height=\"64\"/>", "oscilloscope");
    QmOscilloscope scope (*view);
    scope.setBounds (500, 20, 200, 64);
    auto feed = std::make_unique<QmScopeFeed>();
    double phase = 1.0;
    const auto pushSine = [&] (int count, double period)
    {
        std::vector<float> samples ((size_t) count);
        for (auto& s : samples)
            s = 0.3f * (float) std::sin ((phase += juce::MathConstants<double>::twoPi / period));
        feed->push (samples.data(), count);
    };

    pushSine (3000, 50.0);
    feed->setSampleRate (48000);
    scope.showLatest (*feed);
    const std::vector<float> first (scope.getTraceBuffer().begin(), scope.getTraceBuffer().begin() + 200);

    // From a rising zero crossing, the peak scaled to 0.9.
    EXPECT_GE (first[0], 0.0f);
    EXPECT_LT (first[0], 0.2f);
    EXPECT_GT (first[1], first[0]);
    EXPECT_NEAR (*std::max_element (first.begin(), first.end()), 0.9f, 1.0e-3f);
    EXPECT_TRUE (scope.isRefreshRequested());
    scope.refreshIfRequested();

    // Nothing new: no refresh. A block later, at another phase: the same picture.
    scope.showLatest (*feed);
    EXPECT_FALSE (scope.isRefreshRequested());
    pushSine (37, 50.0);
    scope.showLatest (*feed);
    for (int i = 0; i < 200; ++i)
        ASSERT_NEAR (scope.getTraceBuffer()[(size_t) i], first[(size_t) i], 1.0e-4f) << i;

    // A bass note (about 100 Hz) shows more than two whole periods.
    feed = std::make_unique<QmScopeFeed>();
    feed->setSampleRate (48000);
    pushSine (4000, 480.0);
    scope.showLatest (*feed);
    int risingCrossings = 0;
    for (int i = 1; i < 200; ++i)
        risingCrossings += scope.getTraceBuffer()[(size_t) i - 1] < 0.0f && scope.getTraceBuffer()[(size_t) i] >= 0.0f;
    EXPECT_GE (risingCrossings, 2);

    // Samples out of range or not finite, and a width beyond the buffer.
    // Rows of a column drawn in the trace colour.
    const auto traced = [] (const juce::Image& image, int x)
    {
        std::vector<int> rows;
        for (int y = 0; y < image.getHeight(); ++y)
            if (image.getPixelAt (x, y).getGreen() > 200)
                rows.push_back (y);
        return rows;
    };

    auto& trace = scope.getTraceBuffer();
    for (auto [i, v] : { std::pair { 0, 0.0f }, { 1, 5.0f }, { 2, std::numeric_limits<float>::quiet_NaN() },
                         { 3, -std::numeric_limits<float>::infinity() }, { 4, -1.0f } })
        trace[(size_t) i] = v;

    // Each column joins the previous sample to its own: clamped to the top,
    // back to the middle, non-finite drawn as 0, down to the bottom edge.
    const auto image = paint (scope);
    EXPECT_EQ (std::tuple (traced (image, 0), traced (image, 1).size(), traced (image, 2).size(), traced (image, 3), traced (image, 4).back()),
               std::tuple (std::vector<int> { 32 }, 33u, 33u, std::vector<int> { 32 }, 63));

    // Wider than the buffer: the columns past it stay background.
    scope.setBounds (0, 0, QmOscilloscope::bufferSize + 50, 4);
    trace.back() = 1.0f;
    const auto wide = paint (scope);
    EXPECT_EQ (traced (wide, QmOscilloscope::bufferSize - 1), (std::vector<int> { 0, 1, 2 }));
    EXPECT_EQ (traced (wide, QmOscilloscope::bufferSize + 10), std::vector<int> {});

    // A zero-sized view still has a picture.
    scope.setBounds (0, 0, 0, 0);
    EXPECT_EQ (scope.getTraceImage().getBounds(), juce::Rectangle<int> (0, 0, 1, 1));
}

TEST (Meter, TheBarFillsItsAreaInsideTheMeter)
{
    const auto at = [] (VnMeter& meter, float value, int x, int y)     { meter.setValue (value); return pixel (paint (meter), x, y); };
    constexpr juce::uint32 blue = 0xff0000ff, green = 0xff00ff00, red = 0xffff0000;

    // The bar's place is taken relative to the meter, wherever the meter sits.
    const auto bar = EditorTest::skinElement ("<g id=\"vmeter\"><rect x=\"300\" y=\"40\" width=\"20\" height=\"80\" fill=\"#0000ff\"/>"
                                                  "<rect x=\"304\" y=\"44\" width=\"12\" height=\"72\" fill=\"#00ff00\"/>"
                                                  "<rect x=\"304\" y=\"44\" width=\"12\" height=\"72\" fill=\"#ff0000\"/></g>", "vmeter");
    VnMeter meter (*bar);
    EXPECT_EQ (std::tuple (at (meter, 0.0f, 10, 70), at (meter, 0.5f, 10, 70), at (meter, 0.5f, 10, 30), at (meter, 0.5f, 2, 70)),
               std::tuple (blue, green, blue, blue));
    EXPECT_EQ (std::tuple (at (meter, 1.0f, 10, 5), at (meter, 1.5f, 10, 5), at (meter, 1.5f, 10, 74)), std::tuple (green, red, red));

    // A decaying level: no bar below half a pixel (72 pixels tall here), the
    // smallest levels included; from half a pixel on, its edge shows.
    meter.setValue (0.0f);
    const auto empty = paint (meter);
    for (const float level : { 1.0e-7f, 1.0e-19f, 1.0e-40f, 0.4f / 72.0f })
    {
        meter.setValue (level);
        const auto image = paint (meter);
        for (int y = 70; y < 80; ++y)
            ASSERT_EQ (pixel (image, 10, y), pixel (empty, 10, y)) << level << " at " << y;
    }
    EXPECT_NE (at (meter, 0.6f / 72.0f, 10, 75), blue);

    // Fewer than three children: nothing drawn.
    const auto two = EditorTest::skinElement ("<g id=\"vmeter\"><rect x=\"0\" y=\"0\" width=\"20\" height=\"80\" fill=\"#0000ff\"/>"
                                              "<rect x=\"4\" y=\"4\" width=\"12\" height=\"72\" fill=\"#00ff00\"/></g>", "vmeter");
    VnMeter broken (*two);
    EXPECT_EQ (at (broken, 2.0f, 10, 10), 0u);
}

