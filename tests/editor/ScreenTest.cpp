#include "QmBank.h"
#include "QmDataFolders.h"
#include "QmPreset.h"
#include "QmScreen.h"
#include "TestSkin.h"

#include <thread>

namespace
{
    void runMessages()   { juce::MessageManager::getInstance()->runDispatchLoopUntil (30); }

    juce::File arrowFile()  { return QmDataFolders::getResourceFile ("buttons_faders/arrow.png"); }

    struct Screen : ::testing::Test
    {
        Screen()
        {
            bank.name = "Vorlan";
            preset->name = "default";
            bank.addPreset (preset.get());
            loose->name = "Loose";
        }

        std::unique_ptr<juce::Drawable> element = skinElement ("<g id=\"screen\"><rect x=\"100\" y=\"20\" width=\"260\" height=\"30\" fill=\"#111111\"/></g>", "screen");
        QmBank bank;
        QmPreset::Ptr preset { new QmPreset() }, loose { new QmPreset() };
    };
}

TEST_F (Screen, ArrowsStepThroughTheirCallbackAndTurnARealCopy)
{
    // Every pixel of the picture differs: alpha from its position.
    juce::Image arrow (juce::Image::ARGB, 14, 12, true);
    for (int y = 0; y < 12; ++y)
        for (int x = 0; x < 14; ++x)
            arrow.setPixelAt (x, y, juce::Colours::white.withAlpha ((juce::uint8) (x * 12 + y + 20)));
    juce::MemoryOutputStream png;
    juce::PNGImageFormat().writeImageToStream (arrow, png);
    arrowFile().getParentDirectory().createDirectory();
    arrowFile().replaceWithData (png.getData(), png.getDataSize());
    juce::ImageCache::releaseUnusedImages();

    std::vector<int> steps;
    {
        QmScreen screen (*element);

        // The cached original keeps its pixels; the copy is turned by half a turn.
        EXPECT_EQ (juce::ImageCache::getFromFile (arrowFile()).getPixelAt (0, 0).getAlpha(), 20);
        EXPECT_NEAR (screen.getArrowImageRotated().getPixelAt (0, 0).getAlpha(), 13 * 12 + 11 + 20, 2);

        // Without a step callback the arrows do nothing; with one, -1 and +1.
        screen.getLeftButton().triggerClick();
        runMessages();
        screen.setStepCallback ([] (void* c, int offset) -> QmPreset* { static_cast<std::vector<int>*> (c)->push_back (offset); return nullptr; }, &steps);
        screen.getLeftButton().triggerClick();
        screen.getRightButton().triggerClick();
        runMessages();
    }
    EXPECT_EQ (steps, (std::vector<int> { -1, 1 }));

    // No picture at all: blank arrows, no crash.
    arrowFile().deleteFile();
    juce::ImageCache::releaseUnusedImages();
    QmScreen bare (*element);
    EXPECT_FALSE (bare.getArrowImageRotated().isValid());
    EditorTest::paint (bare);
}

TEST_F (Screen, LoadsOffTheMessageThreadArePostedAndOutliveTheScreen)
{
    auto screen = std::make_unique<QmScreen> (*element);
    const auto loadOnAnotherThread = [&] (QmPreset* p) { std::thread ([&] { QmScreen::presetLoadedCallback (screen.get(), p); }).join(); };

    loadOnAnotherThread (loose.get());
    EXPECT_TRUE (screen->getLines().isEmpty());
    runMessages();
    EXPECT_EQ (screen->getLines(), juce::StringArray (" / Loose"));

    // Drawn in light grey right of the arrows, over the element.
    const auto image = EditorTest::paint (*screen);
    int light = 0;
    for (int y = 0; y < 30; ++y)
        for (int x = 45; x < 195; ++x)
            light += image.getPixelAt (x, y).getBrightness() > 0.6f ? 1 : 0;
    EXPECT_TRUE (light > 20 && EditorTest::pixel (image, 250, 2) == 0xff111111);

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
}
