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
#include "VnKnob.h"
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
        }

        std::unique_ptr<KorvixAudioProcessorEditor> open()
        {
            return std::make_unique<KorvixAudioProcessorEditor> (*processor, skin.get());
        }

        QmBankManager& banks()              { return *processor->getBankManager(); }
        QmPreset* vorlanPreset (int i)      { return banks().getBank ("Vorlan")->presets[i].get(); }

        void play (int blocks, juce::MidiBuffer midi = {})
        {
            juce::AudioBuffer<float> buffer (2, 512);
            for (int b = 0; b < blocks; ++b)
            {
                processor->processBlock (buffer, midi);
                midi.clear();
            }
        }

        std::unique_ptr<KorvixAudioProcessor> processor;
        std::unique_ptr<SVGProvider> skin;
    };
}

TEST_F (EditorPanel, TheSkinsPanelWidgetsAndTheTimersPace)
{
    auto editor = open();

    for (int index : { 0, 2, 26, 37 })
        EXPECT_NE (dynamic_cast<VnCombo*> (editor->getWidgetFor (index)), nullptr) << index;

    ASSERT_TRUE (editor->getMeter() != nullptr && editor->getOscilloscope() != nullptr && editor->getScreen() != nullptr);
    EXPECT_EQ (editor->getScreen()->getLines(), juce::StringArray ("Vorlan / default"));
    EXPECT_EQ (editor->getTimerInterval(), 33);

    // The oscilloscope takes the element's fill as its background.
    EXPECT_EQ (EditorTest::pixel (EditorTest::paint (*editor->getOscilloscope()), 3, 3), 0xff0a0c0bu);

    // Without an oscilloscope the timer runs every 20 ms.
    auto plain = EditorTest::makeProvider();
    KorvixAudioProcessorEditor other (*processor, plain.get());
    EXPECT_EQ (std::pair (other.getTimerInterval(), other.getScreen()), std::pair (20, (QmScreen*) nullptr));
}

TEST_F (EditorPanel, TheScreenFollowsEveryLoadArrowsStepAndDragsShowTheValue)
{
    auto editor = open();
    auto& screen = *editor->getScreen();

    // The arrows take their own clicks, and step within the bank.
    EXPECT_EQ (screen.getComponentAt (30, 12), &screen.getRightButton());
    EXPECT_EQ (screen.getComponentAt (100, 12), &screen);
    screen.getRightButton().triggerClick();
    runMessages();
    const auto second = "Vorlan / " + vorlanPreset (1)->name;
    EXPECT_EQ (screen.getLines(), juce::StringArray (second));
    EXPECT_EQ (processor->getProperties()["currentPreset"], vorlanPreset (1)->name);

    // A state restored on the host's thread shows once the messages run.
    banks().loadPreset (vorlanPreset (3));
    juce::MemoryBlock state;
    processor->getStateInformation (state);
    banks().loadPreset (vorlanPreset (1));
    std::thread ([&] { processor->setStateInformation (state.getData(), (int) state.getSize()); }).join();
    EXPECT_EQ (screen.getLines(), juce::StringArray (second));
    runMessages();
    EXPECT_EQ (screen.getLines(), juce::StringArray ("Vorlan / " + vorlanPreset (3)->name));

    // While a knob is dragged the screen shows its value, then the preset again.
    auto* knob = dynamic_cast<VnKnob*> (editor->getWidgetFor (15));
    ASSERT_NE (knob, nullptr);
    const auto start = knob->getLocalBounds().getCentre().toFloat();
    knob->mouseDown (EditorTest::mouseEvent (*knob, start, start));
    knob->mouseDrag (EditorTest::mouseEvent (*knob, start.translated (0.0f, -30.0f), start, 1, true));
    auto& cutoff = *processor->getEngine()->parameters[15];
    EXPECT_EQ (screen.getLines()[1], juce::String (cutoff.getText (cutoff.value)));
    knob->mouseUp (EditorTest::mouseEvent (*knob, start.translated (0.0f, -30.0f), start, 1, true));
    EXPECT_EQ (screen.getLines().size(), 1);
}

TEST_F (EditorPanel, ClosingWhileAnotherThreadLoadsPresetsCrashesNothing)
{
    juce::MemoryBlock state;
    processor->getStateInformation (state);
    std::atomic<bool> stop { false };
    std::thread host ([&] { while (! stop) processor->setStateInformation (state.getData(), (int) state.getSize()); });

    for (int i = 0; i < 5; ++i)
    {
        // Closed with the menu and a combo box's list open, too.
        auto editor = open();
        editor->getMenuButton()->triggerClick();
        dynamic_cast<juce::Button*> (editor->getWidgetFor (0))->triggerClick();
        runMessages();
    }

    runMessages();

    stop = true;
    host.join();

    // Loads after the editor has gone, from either thread.
    std::thread ([&] { banks().loadPreset (vorlanPreset (2)); }).join();
    banks().stepPreset (1);
    runMessages();
    EXPECT_EQ (processor->getProperties()["currentPreset"], vorlanPreset (3)->name);
}

TEST_F (EditorPanel, MeterAndOscilloscopeFollowTheOutput)
{
    auto editor = open();
    auto& meter = *editor->getMeter();
    auto& scope = *editor->getOscilloscope();

    juce::MidiBuffer note;
    note.addEvent (juce::MidiMessage::noteOn (1, 45, 1.0f), 0);
    play (40, note);
    editor->timerCallback();

    EXPECT_NEAR (meter.getValue(), std::sqrt (processor->peakLevel.load()), 1.0e-6f);
    EXPECT_GT (meter.getValue(), 0.1f);
    const auto& trace = scope.getTraceBuffer();
    EXPECT_GT (*std::max_element (trace.begin(), trace.begin() + scope.getWidth()), 0.8f);
    EXPECT_FALSE (scope.isRefreshRequested());      // the timer redrew it

    // Silence: the meter falls back, the trace lies flat.
    juce::MidiBuffer off;
    off.addEvent (juce::MidiMessage::noteOff (1, 45), 0);
    play (400, off);
    editor->timerCallback();
    EXPECT_LT (meter.getValue(), 0.01f);
    EXPECT_LT (*std::max_element (trace.begin(), trace.begin() + scope.getWidth()), 0.01f);
}

TEST_F (EditorPanel, TheMenuOpensItsRowsWhichRunTheirCommands)
{
    auto editor = open();
    juce::String opened;
    editor->openLink = [&opened] (const juce::URL& url) { opened = url.getLocalFile().getFullPathName(); };

    editor->getMenuButton()->triggerClick();
    runMessages();
    auto* menu = editor->getMenuPopover();
    ASSERT_NE (menu, nullptr);
    EXPECT_NE (menu->getCallOutBox(), nullptr);
    EXPECT_FALSE (editor->getMenuButton()->getToggleState());

    auto& cutoff = *processor->getEngine()->parameters[15];
    cutoff.setValue (0.123f);
    menu->getButtons()[0]->triggerClick();
    runMessages();
    EXPECT_EQ (cutoff.value, cutoff.defaultValue);

    menu->getButtons()[2]->triggerClick();
    runMessages();
    EXPECT_TRUE (juce::File (opened).existsAsFile());
    EXPECT_TRUE (opened.endsWith ("Resources/plugins/vorlan/help.html"));
    EXPECT_EQ (editor->getMenuPopover(), menu);     // still open
}
