#include "EditorTestSupport.h"
#include "KorvixAudioProcessor.h"
#include "KorvixAudioProcessorEditor.h"
#include "MenuPopover.h"
#include "QmBankManager.h"
#include "QmDataFolders.h"
#include "QmOscilloscope.h"
#include "QmParameter.h"
#include "QmScreen.h"
#include "QmSynthEngine.h"
#include "VnCombo.h"
#include "VnMeter.h"

#include <thread>

namespace
{
    void runMessages()   { juce::MessageManager::getInstance()->runDispatchLoopUntil (30); }

    /** The editor on the shipped skin, pictures, help page and factory bank,
        installed as the plug-in finds them. */
    struct EditorPanel : ::testing::Test
    {
        EditorPanel()
        {
            const auto installed = QmDataFolders::getResourceFile ({});
            juce::File (VORLAN_RESOURCES_DIR).copyDirectoryTo (installed);

            // A Banks folder made by an earlier test of this process may lack it.
            const auto factory = QmDataFolders::getBanksFolder().getChildFile ("vorlan.xml");
            if (! factory.existsAsFile())
                installed.getChildFile ("banks/vorlan.xml").copyFileTo (factory);

            processor = std::make_unique<KorvixAudioProcessor>();
            processor->setRateAndBufferSizeDetails (44100.0, 512);
            skin = std::make_unique<SVGProvider> (installed.getChildFile ("skin/skin.svg"));
            editor = std::make_unique<KorvixAudioProcessorEditor> (*processor, skin.get());
        }

        QmBankManager& banks()              { return *processor->getBankManager(); }
        QmPreset* vorlanPreset (int i)      { return banks().getBank ("Vorlan")->presets[i].get(); }
        juce::String line (int i)           { return "Vorlan / " + vorlanPreset (i)->name; }
        QmParameter& parameter (int i)      { return *processor->getEngine()->parameters[i]; }

        void play (int blocks, const juce::MidiMessage& message)
        {
            juce::AudioBuffer<float> buffer (2, 512);
            juce::MidiBuffer midi;
            midi.addEvent (message, 0);
            for (int b = 0; b < blocks; ++b, midi.clear())
                processor->processBlock (buffer, midi);
            editor->timerCallback();
        }

        std::unique_ptr<KorvixAudioProcessor> processor;
        std::unique_ptr<SVGProvider> skin;
        std::unique_ptr<KorvixAudioProcessorEditor> editor;
    };
}

TEST_F (EditorPanel, TheSkinsPanelWidgetsAndTheTimersPace)
{
    for (int index : { 0, 2, 26, 37 })
        EXPECT_NE (dynamic_cast<VnCombo*> (editor->getWidgetFor (index)), nullptr) << index;

    ASSERT_TRUE (editor->getMeter() != nullptr && editor->getOscilloscope() != nullptr && editor->getScreen() != nullptr);
    EXPECT_EQ (editor->getScreen()->getLines(), juce::StringArray ("Vorlan / default"));
    EXPECT_EQ (EditorTest::pixel (EditorTest::paint (*editor->getOscilloscope()), 3, 3), 0xff0a0c0bu);   // the element's fill
    EXPECT_EQ (editor->getTimerInterval(), 33);

    // Without an oscilloscope the timer runs every 20 ms.
    auto plain = EditorTest::makeProvider();
    KorvixAudioProcessorEditor other (*processor, plain.get());
    EXPECT_EQ (std::pair (other.getTimerInterval(), other.getScreen()), std::pair (20, (QmScreen*) nullptr));
}

TEST_F (EditorPanel, TheScreenFollowsEveryLoadItsArrowsStepAndDragsShowTheValue)
{
    auto& screen = *editor->getScreen();

    // The arrows take their own clicks, and step within the bank.
    EXPECT_EQ (std::pair (screen.getComponentAt (30, 12), screen.getComponentAt (100, 12)),
               std::pair ((juce::Component*) &screen.getRightButton(), (juce::Component*) &screen));
    screen.getRightButton().triggerClick();
    runMessages();
    EXPECT_EQ (std::pair (screen.getLines()[0], processor->getProperties()["currentPreset"]), std::pair (line (1), vorlanPreset (1)->name));

    // A state restored on the host's thread shows once the messages run.
    banks().loadPreset (vorlanPreset (3));
    juce::MemoryBlock state;
    processor->getStateInformation (state);
    banks().loadPreset (vorlanPreset (1));
    std::thread ([&] { processor->setStateInformation (state.getData(), (int) state.getSize()); }).join();
    EXPECT_EQ (screen.getLines()[0], line (1));
    runMessages();
    EXPECT_EQ (screen.getLines()[0], line (3));

    // While a knob is dragged the screen shows its value, then the preset again.
    auto& knob = *editor->getWidgetFor (15);
    const auto start = knob.getLocalBounds().getCentre().toFloat(), end = start.translated (0.0f, -30.0f);
    knob.mouseDown (EditorTest::mouseEvent (knob, start, start));
    knob.mouseDrag (EditorTest::mouseEvent (knob, end, start, 1, true));
    EXPECT_EQ (screen.getLines(), juce::StringArray (line (3), parameter (15).getText (parameter (15).value)));
    knob.mouseUp (EditorTest::mouseEvent (knob, end, start, 1, true));
    EXPECT_EQ (screen.getLines(), juce::StringArray (line (3)));
}

TEST_F (EditorPanel, ClosingWhileAnotherThreadLoadsPresetsCrashesNothing)
{
    juce::MemoryBlock state;
    processor->getStateInformation (state);
    std::atomic<bool> stop { false };
    std::thread host ([&] { while (! stop) processor->setStateInformation (state.getData(), (int) state.getSize()); });

    // Closed with the menu and a combo box's list open, too.
    for (int i = 0; i < 5; ++i, editor = std::make_unique<KorvixAudioProcessorEditor> (*processor, skin.get()))
    {
        editor->getMenuButton()->triggerClick();
        dynamic_cast<juce::Button*> (editor->getWidgetFor (0))->triggerClick();
        runMessages();
    }

    editor.reset();
    runMessages();
    stop = true;
    host.join();
    EXPECT_EQ (juce::ModalComponentManager::getInstance()->getNumModalComponents(), 0);     // no box left behind

    // Loads after the editor has gone, from either thread.
    std::thread ([&] { banks().loadPreset (vorlanPreset (2)); }).join();
    banks().stepPreset (1);
    runMessages();
    EXPECT_EQ (processor->getProperties()["currentPreset"], vorlanPreset (3)->name);
}

TEST_F (EditorPanel, MeterAndOscilloscopeFollowTheOutput)
{
    auto& meter = *editor->getMeter();
    auto& scope = *editor->getOscilloscope();
    const auto& trace = scope.getTraceBuffer();
    const auto tracePeak = [&] { return *std::max_element (trace.begin(), trace.begin() + scope.getWidth()); };

    play (40, juce::MidiMessage::noteOn (1, 45, 1.0f));
    EXPECT_NEAR (meter.getValue(), std::sqrt (processor->peakLevel.load()), 1.0e-6f);
    EXPECT_GT (meter.getValue(), 0.1f);
    EXPECT_GT (tracePeak(), 0.8f);
    EXPECT_EQ (std::pair (scope.isRefreshRequested(), scope.getSampleRate()), std::pair (false, 44100));   // redrawn

    // Silence: the meter falls back, the trace lies flat.
    play (400, juce::MidiMessage::noteOff (1, 45));
    EXPECT_LT (meter.getValue(), 0.01f);
    EXPECT_LT (tracePeak(), 0.01f);
}

TEST_F (EditorPanel, TheMenusRowsRunTheirCommandsAndItStaysOpen)
{
    juce::String opened;
    editor->openLink = [&opened] (const juce::URL& url) { opened = url.getLocalFile().getFullPathName(); };

    editor->getMenuButton()->triggerClick();
    runMessages();
    auto* menu = editor->getMenuPopover();
    ASSERT_TRUE (menu != nullptr && menu->getCallOutBox() != nullptr);

    juce::StringArray rows;
    for (auto* row : menu->getButtons())
        rows.add (row->getButtonText() + " " + row->getRightText() + " " + row->getBounds().toString());
    EXPECT_EQ (rows, juce::StringArray ("Init ^I 0 0 200 31", "Randomize ^R 0 30 200 31", "Help ^? 0 60 200 31"));

    parameter (15).setValue (0.123f);
    menu->getButtons()[0]->triggerClick();
    menu->getButtons()[2]->triggerClick();
    runMessages();
    EXPECT_EQ (parameter (15).value.load(), parameter (15).defaultValue);
    EXPECT_TRUE (juce::File (opened).existsAsFile() && opened.endsWith ("Resources/plugins/vorlan/help.html"));
    EXPECT_EQ (editor->getMenuPopover(), menu);
}
