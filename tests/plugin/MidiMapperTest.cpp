#include "MidiOverlay.h"
#include "QmFileWriter.h"
#include "QmMidiMapper.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

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

    /** Changes with every write: a write renames a new file into place. */
    std::tuple<ino_t, time_t, long> stampOf (const juce::File& file)
    {
        struct stat s {};
        stat (file.getFullPathName().toRawUTF8(), &s);
        return { s.st_ino, s.st_mtim.tv_sec, s.st_mtim.tv_nsec };
    }

    /** The file's bindings, parameter to controller. */
    std::map<int, int> onDisk()
    {
        QmMidiMapper::Bindings bindings;
        juce::FileInputStream in (QmMidiMapper::getMapFile());
        EXPECT_TRUE (in.openedOk() && QmMidiMapper::readMap (in, bindings));
        std::map<int, int> bound;
        for (int p = 0; p < QmParam::count; ++p)
            if (bindings.controllerFor (p) >= 0)
                bound[p] = bindings.controllerFor (p);
        return bound;
    }

    /** A session in a process of its own, which leaves without cleaning up. */
    pid_t inOtherProcess (const std::function<bool()>& session)     { const auto child = fork(); if (child == 0) _exit (session() ? 0 : 1); return child; }
    int exitStatus (pid_t child)                                     { int status = -1; return waitpid (child, &status, 0) == child ? status : -1; }
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

TEST_F (MidiMapperTest, AnInstanceThatChangedNothingNeverWritesSoAnotherProcessesBindingSurvivesItsEnd)
{
    // B (this process) has the map and never learns; A binds controller 21
    // to the cutoff and ends; B ends; the next session learns nothing.
    const auto file = QmMidiMapper::getMapFile();
    file.replaceWithText ("<midimapper><dict><key param=\"9\">30</key></dict></midimapper>");
    mapper.load();
    EXPECT_EQ (exitStatus (inOtherProcess ([] { Widget cutoff (QmParam::lpfCutoff); QmMidiMapper::getInstance()->assignController (21, QmParam::lpfCutoff);
                                                 return QmMidiMapper::getInstance()->save(); })), 0);
    const auto written = stampOf (file);
    delete &mapper;
    QmMidiMapper::getInstance()->load();
    EXPECT_TRUE (QmMidiMapper::getInstance()->save());
    EXPECT_EQ (stampOf (file), written);
    EXPECT_EQ (onDisk(), (std::map<int, int> { { 9, 30 }, { QmParam::lpfCutoff, 21 } }));
}

TEST_F (MidiMapperTest, TwoProcessesBindingAndWritingAtOnceKeepBothBindings)
{
    Widget mine (3), theirs (4);

    // Both start from one map and bind a controller each; the child writes
    // as soon as it is let go, the parent at once.
    for (int round = 0; round < 20; ++round)
    {
        int go[2];
        ASSERT_EQ (pipe (go), 0);
        const auto child = inOtherProcess ([&] { char c; mapper.assignController (100 + round, 4); return read (go[0], &c, 1) == 1 && mapper.save(); });
        mapper.assignController (20 + round, 3);
        ASSERT_EQ (write (go[1], "x", 1), 1);
        EXPECT_TRUE (mapper.save());
        EXPECT_EQ (exitStatus (child), 0);
        close (go[0]);
        close (go[1]);
        EXPECT_EQ (onDisk(), (std::map<int, int> { { 3, 20 + round }, { 4, 100 + round } })) << round;
    }
}

TEST_F (MidiMapperTest, ABindingTheDiskRefusesIsToldAndKeptUntilItCanBeWritten)
{
    Widget cutoff (QmParam::lpfCutoff);
    const auto file = QmMidiMapper::getMapFile();
    file.replaceWithText ("<midimapper><dict><key param=\"9\">30</key></dict></midimapper>");
    mapper.load();

    // The timer writes a change once: on a full disk one line and one
    // failure tell, and no later turn tries again.
    setFileWriteRoomForTests (0);
    mapper.assignController (30, QmParam::lpfCutoff);
    testing::internal::CaptureStdout();
    for (int turn = 0; turn < 3; ++turn)
        mapper.timerCallback();
    const auto output = juce::String (testing::internal::GetCapturedStdout());
    setFileWriteRoomForTests (-1);
    EXPECT_EQ (output, "Vorlan: cannot save the MIDI map " + file.getFullPathName() + "; the bindings of this session are lost when it ends\n");
    EXPECT_TRUE (mapper.takeLastFailure().startsWith ("The MIDI map file cannot be written"));
    EXPECT_EQ (mapper.takeLastFailure(), "");

    // Learning switched on again reads the file, which another process
    // changed meanwhile, and keeps the binding; switched off, it writes both.
    file.replaceWithText ("<midimapper><dict><key param=\"9\">30</key><key param=\"12\">40</key></dict></midimapper>");
    mapper.load();
    EXPECT_EQ (std::tuple (mapper.getParameterForController (30), mapper.getParameterForController (40), cutoff.controller), std::tuple ((int) QmParam::lpfCutoff, 12, 30));
    EXPECT_TRUE (mapper.save());
    EXPECT_EQ (onDisk(), (std::map<int, int> { { 12, 40 }, { QmParam::lpfCutoff, 30 } }));
}
