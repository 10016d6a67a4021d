#include "QmBank.h"
#include "QmDataFolders.h"
#include "QmPreset.h"
#include "QmScreen.h"
#include "TestSkin.h"

#include <gtest/gtest.h>

#include <thread>

namespace
{
    const juce::String screenSvg = "<g id=\"screen\"><rect x=\"100\" y=\"20\" width=\"260\" height=\"30\" fill=\"#111111\"/></g>";

    juce::File arrowFile()  { return QmDataFolders::getResourceFile ("buttons_faders/arrow.png"); }

    /** An arrow picture whose every pixel differs: alpha from its position. */
    void writeArrow()
    {
        juce::Image image (juce::Image::ARGB, 14, 12, true);
        for (int y = 0; y < 12; ++y)
            for (int x = 0; x < 14; ++x)
                image.setPixelAt (x, y, juce::Colours::white.withAlpha ((juce::uint8) (x * 12 + y + 20)));

        arrowFile().getParentDirectory().createDirectory();
        arrowFile().deleteFile();
        juce::FileOutputStream out (arrowFile());
        juce::PNGImageFormat().writeImageToStream (image, out);
    }

    void runMessages()   { juce::MessageManager::getInstance()->runDispatchLoopUntil (30); }
}

class Screen : public ::testing::Test
{
protected:
    Screen()
    {
        bank.name = "Vorlan";
        preset->name = "default";
        bank.addPreset (preset.get());
        other->name = "Loose";
    }

    ~Screen() override     { juce::ImageCache::releaseUnusedImages(); }

    std::unique_ptr<juce::Drawable> element = skinElement (screenSvg, "screen");
    QmBank bank;
    QmPreset::Ptr preset { new QmPreset() };
    QmPreset::Ptr other { new QmPreset() };
};

TEST_F (Screen, ShowsThePresetLineAndTheLastOfItsLines)
{
    QmScreen screen (*element);
    EXPECT_EQ (screen.getBounds(), juce::Rectangle<int> (100, 20, 260, 30));

    screen.setPreset (preset.get());
    screen.setPreset (nullptr);
    EXPECT_EQ (screen.getLines(), juce::StringArray ("Vorlan / default"));

    // During a drag a second line shows; a load replaces it.
    screen.addLine ("0.50");
    screen.setPreset (other.get());
    EXPECT_EQ (screen.getLines(), juce::StringArray ("Vorlan / default", " / Loose"));

    // The text is drawn in light grey right of the arrows, over the element.
    const auto image = EditorTest::paint (screen);
    EXPECT_EQ (image.getPixelAt (250, 2).getARGB(), 0xff111111);
    int light = 0;
    for (int y = 0; y < 30; ++y)
        for (int x = 45; x < 195; ++x)
            light += image.getPixelAt (x, y).getBrightness() > 0.6f ? 1 : 0;
    EXPECT_GT (light, 20);
}

TEST_F (Screen, ArrowsStepThroughTheirCallbackAndTurnARealCopy)
{
    writeArrow();
    std::vector<int> steps;

    {
        QmScreen screen (*element);
        const auto& left = screen.getArrowImage();
        const auto& right = screen.getArrowImageRotated();
        ASSERT_TRUE (left.isValid() && right.isValid());

        // The cached original keeps its pixels; the copy is turned by half a turn.
        const auto cached = juce::ImageCache::getFromFile (arrowFile());
        EXPECT_EQ (cached.getPixelAt (0, 0).getAlpha(), 20);
        EXPECT_EQ (left.getPixelAt (13, 11).getAlpha(), 13 * 12 + 11 + 20);
        EXPECT_NEAR (right.getPixelAt (0, 0).getAlpha(), 13 * 12 + 11 + 20, 2);
        EXPECT_NEAR (right.getPixelAt (13, 11).getAlpha(), 20, 2);

        // Without a step callback the arrows do nothing; with one, -1 and +1.
        screen.getLeftButton().triggerClick();
        runMessages();
        screen.setStepCallback ([] (void* context, int offset) -> QmPreset*
                                {
                                    static_cast<std::vector<int>*> (context)->push_back (offset);
                                    return nullptr;
                                }, &steps);
        screen.getLeftButton().triggerClick();
        screen.getRightButton().triggerClick();
        runMessages();
    }

    EXPECT_EQ (steps, (std::vector<int> { -1, 1 }));

    // No arrow picture: no crash, blank arrows.
    arrowFile().deleteFile();
    juce::ImageCache::releaseUnusedImages();
    QmScreen bare (*element);
    EXPECT_FALSE (bare.getArrowImageRotated().isValid());
    EditorTest::paint (bare);
}

TEST_F (Screen, LoadsOffTheMessageThreadArePostedAndSurviveTheScreen)
{
    auto screen = std::make_unique<QmScreen> (*element);

    // On the message thread the line changes at once.
    QmScreen::presetLoadedCallback (screen.get(), preset.get());
    EXPECT_EQ (screen->getLines(), juce::StringArray ("Vorlan / default"));

    // From a host thread it arrives with the message loop; a later load on
    // the message thread wins over an earlier one still under way.
    std::thread ([&] { QmScreen::presetLoadedCallback (screen.get(), other.get()); }).join();
    EXPECT_EQ (screen->getLines(), juce::StringArray ("Vorlan / default"));
    runMessages();
    EXPECT_EQ (screen->getLines(), juce::StringArray (" / Loose"));

    std::thread ([&] { QmScreen::presetLoadedCallback (screen.get(), preset.get()); }).join();
    QmScreen::presetLoadedCallback (screen.get(), other.get());
    runMessages();
    EXPECT_EQ (screen->getLines(), juce::StringArray (" / Loose"));

    // A text posted for a screen that is gone by delivery is dropped.
    std::thread ([&] { QmScreen::presetLoadedCallback (screen.get(), preset.get()); }).join();
    screen.reset();
    runMessages();
}
