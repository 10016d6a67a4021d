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
    mapper.assignController (20, 12);
    mapper.assignController (21, 12);
    EXPECT_EQ (std::pair (mapper.getParameterForController (74), mapper.getParameterForController (20)), std::pair (9, -1));
    EXPECT_EQ (std::tuple (five.controller, nine.controller, twelve.controller), std::tuple (-1, 74, 21));

    // Only parameters with a registered widget can be learnt, and only real
    // ones; controller -1 unbinds.
    mapper.assignController (30, 13);
    mapper.assignController (32, 44);
    mapper.assignController (128, 12);
    EXPECT_EQ (mapper.getControllerForParameter (12), 21);
    mapper.assignController (-1, 12);
    for (int controller : { 30, 32, 21, -1 })
        EXPECT_EQ (mapper.getParameterForController (controller), -1) << controller;

    // Lost bindings are saved as -1.
    ASSERT_TRUE (mapper.save());
    EXPECT_EQ (QmMidiMapper::getMapFile().loadFileAsString(),
               "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n\r\n<midimapper>\r\n  <dict>\r\n"
               "    <key param=\"5\">-1</key>\r\n    <key param=\"9\">74</key>\r\n    <key param=\"12\">-1</key>\r\n"
               "  </dict>\r\n</midimapper>\r\n");
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
    EXPECT_EQ (eleven.controller, -1);

    for (auto [controller, parameter] : { std::pair { 74, 5 }, { 17, 2 }, { 99, 43 }, { 10, -1 }, { 11, -1 }, { 12, -1 }, { 13, -1 } })
        EXPECT_EQ (mapper.getParameterForController (controller), parameter) << controller;
    for (int parameter : { 4, 6, 9, 60 })
        EXPECT_EQ (mapper.getControllerForParameter (parameter), -1) << parameter;

    // A missing file keeps the bindings; one that does not parse clears them.
    QmMidiMapper::getMapFile().deleteFile();
    mapper.load();
    EXPECT_EQ (mapper.getParameterForController (74), 5);
    QmMidiMapper::getMapFile().replaceWithText ("<midimapper><dict><key param=");
    mapper.load();
    EXPECT_EQ (mapper.getParameterForController (74), -1);
}

TEST_F (MidiMapperTest, SavingReplacesTheFileWholeOrKeepsTheOldOne)
{
    const auto file = QmMidiMapper::getMapFile();
    Widget widget (3);
    mapper.assignController (7, 3);
    ASSERT_TRUE (mapper.save());
    const auto saved = file.loadFileAsString();

    // The new content cannot be written: the old file stays.
    const auto blocker = file.getSiblingFile ("." + file.getFileName() + ".tmp");
    ASSERT_TRUE (blocker.getChildFile ("inside").create().wasOk());
    mapper.assignController (8, 3);
    EXPECT_FALSE (mapper.save());
    EXPECT_EQ (file.loadFileAsString(), saved);
    blocker.deleteRecursively();

    // A deleted mapper saves; the next one reads the file back.
    delete &mapper;
    EXPECT_EQ (QmMidiMapper::getInstance()->getParameterForController (8), 3);
    QmMidiMapper::getInstance()->registerComponent (&widget);
}

TEST_F (MidiMapperTest, OverlaysShowTheControllerAndSelectTheLearnTarget)
{
    EXPECT_EQ (std::tuple (MidiOverlay::controllerText (-1), MidiOverlay::controllerText (7), MidiOverlay::controllerText (112)),
               std::tuple ("--", "07", "112"));

    Widget a (4), b (6), noOverlay (8, false);
    a.overlay->toggleSelection();
    EXPECT_EQ (mapper.getLearnTarget(), 4);
    b.overlay->toggleSelection();
    EXPECT_EQ (std::pair (a.overlay->selected, b.overlay->selected), std::pair (false, true));
    EXPECT_EQ (mapper.getLearnTarget(), 6);
    b.overlay->toggleSelection();
    EXPECT_EQ (std::pair (b.overlay->selected, mapper.getLearnTarget()), std::pair (false, -1));

    // The repaint queue forgets a widget that goes away.
    auto gone = std::make_unique<Widget> (10);
    mapper.assignController (50, 10);
    gone.reset();
    mapper.timerCallback();
    EXPECT_EQ (mapper.getComponents(), juce::Array<QmMidiComponent*> ({ &a, &b, &noOverlay }));
}
