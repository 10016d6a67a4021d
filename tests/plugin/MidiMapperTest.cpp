#include "MidiOverlay.h"
#include "QmFileWriter.h"
#include "QmMidiMapper.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

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

TEST_F (MidiMapperTest, AControllerDrivesOneParameterAParameterFollowsOneControllerAndOverlaysSelectOneLearnTarget)
{
    Widget five (5), nine (9), twelve (12), noOverlay (8, false);
    five.overlay->toggleSelection();
    nine.overlay->toggleSelection();
    EXPECT_EQ (std::tuple (five.overlay->selected, nine.overlay->selected, mapper.getLearnTarget()), std::tuple (false, true, 9));

    // Only parameters with a registered widget can be learnt, only real ones
    // and only controllers up to 127.
    for (auto [controller, parameter] : { std::pair { 74, 5 }, { 74, 9 }, { 20, 12 }, { 21, 12 }, { 30, 13 }, { 32, 44 }, { 128, 12 } })
        mapper.assignController (controller, parameter);
    EXPECT_EQ (std::tuple (mapper.getParameterForController (74), mapper.getParameterForController (20), five.controller, twelve.controller),
               std::tuple (9, -1, -1, 21));

    mapper.assignController (-1, 12);      // unbinds
    for (int controller : { 30, 32, 21, -1 })
        EXPECT_EQ (mapper.getParameterForController (controller), -1) << controller;

    // Lost bindings are saved as -1.
    const auto file = QmMidiMapper::getMapFile();
    ASSERT_TRUE (mapper.save());
    EXPECT_EQ (file.loadFileAsString(),
               "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n\r\n<midimapper>\r\n  <dict>\r\n"
               "    <key param=\"5\">-1</key>\r\n    <key param=\"9\">74</key>\r\n    <key param=\"12\">-1</key>\r\n"
               "  </dict>\r\n</midimapper>\r\n");

    // The repaint queue forgets a widget that goes away.
    auto gone = std::make_unique<Widget> (10);
    mapper.assignController (50, 10);
    gone.reset();
    mapper.timerCallback();
    EXPECT_EQ (mapper.getComponents(), juce::Array<QmMidiComponent*> ({ &five, &nine, &twelve, &noOverlay }));

    // A deleted mapper saves; the next one reads the file back.
    mapper.assignController (8, 5);
    delete &mapper;
    EXPECT_EQ (QmMidiMapper::getInstance()->getParameterForController (8), 5);
}

TEST_F (MidiMapperTest, TheFileIsReadWithUnusableEntriesDroppedAndAnUnreadableOneSurvivesUntilItsBackupIsWhole)
{
    const auto file = QmMidiMapper::getMapFile(), backup = QmMidiMapper::getBackupFile();
    file.replaceWithText ("<midimapper><dict><key param=\"5\">74</key><key param=\"9\">-1</key>"
        "<key param=\"2\"> 17abc</key><key param=\"nan\">18</key><key param=\"abc\">19</key><key param=\"1\"></key>"
        "<key param=\"3\">4294967297</key><key param=\"4294967296\">21</key><key param=\" 7 \"> 22 </key><key param=\"60\">10</key><key param=\"-3\">11</key><key param=\"\">12</key><key>13</key>"
        "<key param=\"4\">-8</key><key param=\"6\">300</key><other param=\"43\">99</other></dict></midimapper>");

    // Bindings from the file drive parameters without any widget.
    mapper.load();
    for (auto [controller, parameter] : { std::pair { 74, 5 }, { 22, 7 }, { 99, 43 }, { 17, -1 }, { 18, -1 }, { 19, -1 }, { 21, -1 },
                                          { 10, -1 }, { 11, -1 }, { 12, -1 }, { 13, -1 } })
        EXPECT_EQ (mapper.getParameterForController (controller), parameter) << controller;
    for (int parameter : { 0, 1, 2, 3, 4, 6, 9, 60 })
        EXPECT_EQ (mapper.getControllerForParameter (parameter), -1) << parameter;

    // A missing file keeps the bindings; one that does not parse clears them.
    file.deleteFile();
    mapper.load();
    EXPECT_EQ (mapper.getParameterForController (74), 5);
    file.replaceWithText ("<midimapper><dict><key param=");
    mapper.load();
    EXPECT_EQ (mapper.getParameterForController (74), -1);

    // An unreadable file survives until a binding changes.
    const juce::String good ("<midimapper><dict><key param=\"5\">74</key></dict></midimapper>");

    delete &mapper;     // each loop round is a session

    for (auto bad : { "<!DOCTYPE midimapper>" + good, good.replace ("<dict>", "<x/><dict>"), good.dropLastCharacters (5),
                      juce::String ("junk"), juce::String(), juce::String ("<midimapper><?x?>a</midimapper>"),
                      good.replace ("<dict>", "<dict <!-- \" -->>") + juce::String::repeatedString ("<a>", 50000) })
    {
        file.replaceWithText (bad);
        auto* session = QmMidiMapper::getInstance();
        EXPECT_EQ (session->getParameterForController (74), -1);
        session->load();      // the editor's learn button
        EXPECT_TRUE (session->save());
        delete session;
        EXPECT_EQ (file.loadFileAsString(), bad) << bad.substring (0, 40);
    }

    // A changed binding replaces the unreadable file only once a whole copy
    // is kept beside it. With room for less, neither file is touched, one line tells.
    const auto bad = file.loadFileAsString();
    {
        Widget widget (3);
        QmMidiMapper::getInstance()->assignController (11, 3);
    }
    setFileWriteRoomForTests (8192);
    testing::internal::CaptureStdout();
    EXPECT_FALSE (QmMidiMapper::getInstance()->save());
    const auto output = juce::String (testing::internal::GetCapturedStdout());
    setFileWriteRoomForTests (-1);
    EXPECT_EQ (output, "Vorlan: cannot save the MIDI map " + file.getFullPathName() + "; the bindings of this session are lost when it ends\n");
    EXPECT_EQ (file.loadFileAsString(), bad);
    EXPECT_FALSE (backup.exists());

    delete QmMidiMapper::getInstance();
    EXPECT_EQ (backup.loadFileAsString(), bad);
    EXPECT_EQ (QmMidiMapper::getInstance()->getParameterForController (11), 3);

    // A FIFO in the map's place is never opened.
    delete QmMidiMapper::getInstance();
    ASSERT_TRUE (file.deleteFile());
    ASSERT_EQ (mkfifo (file.getFullPathName().toRawUTF8(), 0600), 0);
    EXPECT_EQ (QmMidiMapper::getInstance()->getParameterForController (11), -1);
}
