#include "MidiOverlay.h"
#include "QmMidiMapper.h"

#include <gtest/gtest.h>

namespace
{
    /** A learnable widget as the editor registers it. */
    struct Widget : public QmMidiComponent
    {
        explicit Widget (int parameter, bool withOverlay = true)
            : ownedOverlay (withOverlay ? new MidiOverlay ({ 0, 0, 40, 20 }, this) : nullptr)
        {
            parameterIndex = parameter;
            overlay = ownedOverlay.get();
            QmMidiMapper::getInstance()->registerComponent (this);
        }

        ~Widget() { QmMidiMapper::getInstance()->unregisterComponent (this); }

        std::unique_ptr<MidiOverlay> ownedOverlay;
    };

    void writeMapFile (const char* keys)
    {
        QmMidiMapper::getMapFile().replaceWithText (juce::String ("<midimapper>\n <dict>\n") + keys + " </dict>\n</midimapper>\n");
    }
}

class MidiMapperTest : public ::testing::Test
{
protected:
    ~MidiMapperTest() override  { reset(); }

    /** A mapper that starts from no file. */
    static void reset()
    {
        delete QmMidiMapper::getInstance();
        QmMidiMapper::getMapFile().deleteFile();
    }

    juce::ScopedJuceInitialiser_GUI gui;
    QmMidiMapper& mapper = (reset(), *QmMidiMapper::getInstance());
};

TEST_F (MidiMapperTest, AControllerDrivesOneParameterAndAParameterFollowsOneController)
{
    Widget five (5), nine (9), twelve (12);

    mapper.assignController (74, 5);
    mapper.assignController (74, 9);
    EXPECT_EQ (mapper.getParameterForController (74), 9);
    EXPECT_EQ (mapper.getControllerForParameter (5), -1);
    EXPECT_EQ (mapper.getControllerForParameter (9), 74);
    EXPECT_EQ (std::pair (five.controller, nine.controller), std::pair (-1, 74));

    mapper.assignController (20, 12);
    mapper.assignController (21, 12);
    mapper.assignController (21, 12);      // a moving knob re-assigns the same pair
    EXPECT_EQ (mapper.getParameterForController (20), -1);
    EXPECT_EQ (mapper.getParameterForController (21), 12);
    EXPECT_EQ (twelve.controller, 21);

    // Only parameters with a registered widget can be learnt, and only real ones.
    mapper.assignController (30, 13);
    mapper.assignController (31, -1);
    mapper.assignController (32, 44);
    mapper.assignController (128, 12);
    for (int controller : { 30, 31, 32, -1 })
        EXPECT_EQ (mapper.getParameterForController (controller), -1) << controller;
    EXPECT_EQ (mapper.getControllerForParameter (12), 21);

    // Controller -1 unbinds; a lost binding is saved as -1.
    mapper.assignController (-1, 12);
    EXPECT_EQ (mapper.getParameterForController (21), -1);
    EXPECT_EQ (twelve.controller, -1);

    ASSERT_TRUE (mapper.save());
    const auto root = juce::parseXML (QmMidiMapper::getMapFile());
    ASSERT_NE (root, nullptr);
    juce::StringArray keys;
    for (auto* key : root->getChildByName ("dict")->getChildIterator())
        keys.add (key->getStringAttribute ("param") + "=" + key->getAllSubText());
    EXPECT_EQ (keys.joinIntoString (" "), "5=-1 9=74 12=-1");
}

TEST_F (MidiMapperTest, TheFileIsReadWithUnusableEntriesDropped)
{
    writeMapFile ("  <key param=\"5\">74</key>\n  <key param=\"9\">-1</key>\n  <key param=\"2\"> 17abc</key>\n"
                  "  <key param=\"60\">10</key>\n  <key param=\"-3\">11</key>\n  <key param=\"\">12</key>\n"
                  "  <key>13</key>\n  <key param=\"4\">-8</key>\n  <key param=\"6\">300</key>\n"
                  "  <other param=\"43\">99</other>\n");

    // Bindings from the file drive parameters without any widget.
    Widget eleven (11);
    eleven.controller = 40;
    mapper.load();
    EXPECT_EQ (mapper.getParameterForController (74), 5);
    EXPECT_EQ (mapper.getParameterForController (17), 2);
    EXPECT_EQ (mapper.getParameterForController (99), 43);
    EXPECT_EQ (eleven.controller, -1);

    for (int controller : { 10, 11, 12, 13 })
        EXPECT_EQ (mapper.getParameterForController (controller), -1) << controller;
    for (int parameter : { 4, 6, 9, 60 })
        EXPECT_EQ (mapper.getControllerForParameter (parameter), -1) << parameter;

    // A controller named twice keeps its last binding only.
    writeMapFile ("<key param=\"5\">74</key><key param=\"8\">74</key>");
    mapper.load();
    EXPECT_EQ (mapper.getParameterForController (74), 8);
    EXPECT_EQ (mapper.getControllerForParameter (5), -1);

    // A missing file keeps the bindings; one that does not parse clears them.
    QmMidiMapper::getMapFile().deleteFile();
    mapper.load();
    EXPECT_EQ (mapper.getParameterForController (74), 8);
    QmMidiMapper::getMapFile().replaceWithText ("<midimapper><dict><key param=");
    mapper.load();
    EXPECT_EQ (mapper.getParameterForController (74), -1);
}

TEST_F (MidiMapperTest, SavingReplacesTheFileWholeOrKeepsTheOldOne)
{
    const auto file = QmMidiMapper::getMapFile();
    ASSERT_TRUE (mapper.save());
    EXPECT_EQ (file.loadFileAsString(), "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n\r\n<midimapper>\r\n  <dict/>\r\n</midimapper>\r\n");

    Widget widget (3);
    mapper.assignController (7, 3);
    ASSERT_TRUE (mapper.save());
    const auto saved = file.loadFileAsString();
    EXPECT_TRUE (saved.contains ("<key param=\"3\">7</key>"));

    // The new content cannot be written: the old file stays.
    const auto blocker = file.getSiblingFile ("." + file.getFileName() + ".tmp");
    ASSERT_TRUE (blocker.getChildFile ("inside").create().wasOk());
    mapper.assignController (8, 3);
    EXPECT_FALSE (mapper.save());
    EXPECT_EQ (file.loadFileAsString(), saved);
    blocker.deleteRecursively();

    // Loading discards what was learnt since the file was written.
    mapper.load();
    EXPECT_EQ (mapper.getParameterForController (8), -1);
    EXPECT_EQ (widget.controller, 7);

    // A deleted mapper saves; the next one reads the file back.
    delete &mapper;
    EXPECT_EQ (QmMidiMapper::getInstance()->getParameterForController (7), 3);
    EXPECT_TRUE (QmMidiMapper::getInstance()->getComponents().isEmpty());
    QmMidiMapper::getInstance()->registerComponent (&widget);
}

TEST_F (MidiMapperTest, OverlaysShowTheControllerAndSelectTheLearnTarget)
{
    EXPECT_EQ (MidiOverlay::controllerText (-1), "--");
    EXPECT_EQ (MidiOverlay::controllerText (7), "07");
    EXPECT_EQ (MidiOverlay::controllerText (112), "112");

    Widget a (4), b (6), noOverlay (8, false);
    a.overlay->toggleSelection();
    EXPECT_EQ (mapper.getLearnTarget(), 4);
    b.overlay->toggleSelection();
    EXPECT_EQ (std::pair (a.overlay->selected, b.overlay->selected), std::pair (false, true));
    EXPECT_EQ (mapper.getLearnTarget(), 6);
    b.overlay->toggleSelection();
    EXPECT_FALSE (b.overlay->selected);
    EXPECT_EQ (mapper.getLearnTarget(), -1);

    // Translucent black, blue-violet while selected.
    const auto fill = [] (MidiOverlay& overlay)
    {
        juce::Image image (juce::Image::ARGB, 40, 20, true);
        juce::Graphics g (image);
        overlay.paint (g);
        return image.getPixelAt (2, 10);
    };

    EXPECT_EQ (fill (*a.overlay).getARGB(), 0x99000000u);
    a.overlay->toggleSelection();
    const auto chosen = fill (*a.overlay);
    EXPECT_EQ (chosen.getAlpha(), 153);
    EXPECT_NEAR (chosen.getRed(), 0x8a, 3);      // premultiplied storage rounds
    EXPECT_NEAR (chosen.getGreen(), 0x2b, 3);
    EXPECT_NEAR (chosen.getBlue(), 0xe2, 3);
}

TEST_F (MidiMapperTest, RepaintQueueForgetsUnregisteredWidgets)
{
    auto gone = std::make_unique<Widget> (10);
    Widget kept (11);
    mapper.assignController (50, 10);
    mapper.assignController (51, 11);

    gone.reset();
    mapper.timerCallback();     // must not reach the deleted widget

    ASSERT_EQ (mapper.getComponents().size(), 1);
    EXPECT_EQ (mapper.getComponents()[0], &kept);
    EXPECT_EQ (mapper.getParameterForController (50), 10);
}
