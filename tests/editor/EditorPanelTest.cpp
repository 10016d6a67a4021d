// The editor on the shipped skin, pictures, help page and factory bank,
// installed as the plug-in finds them: screen, meter, oscilloscope, menu and
// the browser's box.
#include "BankPopover.h"
#include "BrowserRowCell.h"
#include "EditorTestSupport.h"
#include "KorvixAudioProcessor.h"
#include "KorvixAudioProcessorEditor.h"
#include "MenuPopover.h"
#include "PresetsList.h"
#include "QmBankManager.h"
#include "QmDataFolders.h"
#include "QmOscilloscope.h"
#include "QmParameter.h"
#include "QmScreen.h"
#include "QmSynthEngine.h"
#include "VnCombo.h"
#include "VnMeter.h"

#include <thread>

using EditorTest::runMessages;

namespace
{
    struct EditorPanel : ::testing::Test
    {
        EditorPanel()
        {
            const auto installed = QmDataFolders::getResourceFile ({});
            juce::File (VORLAN_RESOURCES_DIR).copyDirectoryTo (installed);
            QmDataFolders::getBanksFolder().deleteRecursively();       // seeded afresh with the factory bank

            processor = std::make_unique<KorvixAudioProcessor>();
            processor->setRateAndBufferSizeDetails (44100.0, 512);
            skin = std::make_unique<SVGProvider> (installed.getChildFile ("skin/skin.svg"));
            editor = std::make_unique<KorvixAudioProcessorEditor> (*processor, skin.get());
        }

        QmBankManager& banks()              { return *processor->getBankManager(); }
        QmPreset* vorlanPreset (int i)      { return banks().getBank ("Vorlan")->presets[i].get(); }
        juce::String line (int i)           { return "Vorlan / " + vorlanPreset (i)->name; }
        QmParameter& parameter (int i)      { return *processor->getEngine()->parameters[i]; }

        void clickScreen (juce::Component& target)
        {
            const auto centre = target.getLocalBounds().getCentre().toFloat();
            editor->mouseUp (EditorTest::mouseEvent (target, centre, centre));
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
    EXPECT_EQ (editor->getTimerInterval(), 33);

    // Without an oscilloscope the timer runs every 20 ms.
    auto plain = EditorTest::makeProvider();
    EXPECT_EQ (KorvixAudioProcessorEditor (*processor, plain.get()).getTimerInterval(), 20);
}

TEST_F (EditorPanel, TheScreenFollowsEveryLoadItsArrowsStepAndDragsShowTheValue)
{
    auto& screen = *editor->getScreen();
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
    EditorTest::drag (knob, -30.0f, false);
    EXPECT_EQ (screen.getLines(), juce::StringArray (line (3), parameter (15).getText (parameter (15).value)));
    knob.mouseUp (EditorTest::mouseEvent (knob, {}, {}, 1, true));
    EXPECT_EQ (screen.getLines(), juce::StringArray (line (3)));
}

TEST_F (EditorPanel, ClosingWhileAnotherThreadLoadsPresetsCrashesNothing)
{
    juce::MemoryBlock state;
    processor->getStateInformation (state);
    std::atomic<bool> stop { false };
    std::thread host ([&] { while (! stop) processor->setStateInformation (state.getData(), (int) state.getSize()); });

    // Closed with the menu, a combo box's list and the browser open, too.
    for (int i = 0; i < 5; ++i, editor = std::make_unique<KorvixAudioProcessorEditor> (*processor, skin.get()))
    {
        editor->getMenuButton()->triggerClick();
        dynamic_cast<juce::Button*> (editor->getWidgetFor (0))->triggerClick();
        clickScreen (*editor->getScreen());
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
    const auto play = [&] (int blocks, const juce::MidiMessage& message)
    {
        juce::AudioBuffer<float> buffer (2, 512);
        juce::MidiBuffer midi;
        midi.addEvent (message, 0);
        for (int b = 0; b < blocks; ++b, midi.clear())
            processor->processBlock (buffer, midi);
        editor->timerCallback();
    };

    play (40, juce::MidiMessage::noteOn (1, 45, 1.0f));
    EXPECT_NEAR (meter.getValue(), std::sqrt (processor->peakLevel.load()), 1.0e-6f);
    EXPECT_TRUE (meter.getValue() > 0.1f && tracePeak() > 0.8f);
    EXPECT_EQ (std::pair (scope.isRefreshRequested(), scope.getSampleRate()), std::pair (false, 44100));   // redrawn

    // Silence: the meter falls back, the trace lies flat.
    play (400, juce::MidiMessage::noteOff (1, 45));
    EXPECT_TRUE (meter.getValue() < 0.01f && tracePeak() < 0.01f);
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
        rows.add (row->getButtonText() + " " + row->getRightText());
    EXPECT_EQ (rows, juce::StringArray ("Init ^I", "Randomize ^R", "Help ^?"));

    parameter (15).setValue (0.123f);
    menu->getButtons()[0]->triggerClick();
    menu->getButtons()[2]->triggerClick();
    runMessages();
    EXPECT_EQ (parameter (15).value.load(), parameter (15).defaultValue);
    EXPECT_TRUE (juce::File (opened).existsAsFile() && opened.endsWith ("Resources/plugins/vorlan/help.html"));
    EXPECT_EQ (editor->getMenuPopover(), menu);
}

TEST_F (EditorPanel, TheScreenOpensTheBrowserOnTheCurrentBankAndShowsWhatItLoads)
{
    auto& screen = *editor->getScreen();
    clickScreen (screen.getRightButton());
    EXPECT_EQ (editor->getBrowserBox(), nullptr);

    clickScreen (screen);
    juce::Component::SafePointer<juce::CallOutBox> box (editor->getBrowserBox());
    auto* page = editor->getBankPopover()->getPresetPage();
    ASSERT_TRUE (box != nullptr && page != nullptr);
    EXPECT_EQ (page->getBankName(), "Vorlan");
    EXPECT_EQ (page->getParentComponent()->getBounds().withZeroOrigin(), juce::Rectangle<int> (330, 250));
    EXPECT_TRUE (box->isParentOf (page) && page->isVisible() && ! editor->getBankPopover()->isVisible());

    // A preset chosen in the list: the screen and the host's state show it.
    dynamic_cast<BrowserRowCell&> (*page->getList().getComponentForRowNumber (2)).getNameButton().clickCallback (false, 50, 10);
    EXPECT_EQ (screen.getLines(), juce::StringArray (line (2)));
    juce::MemoryBlock state;
    processor->getStateInformation (state);
    EXPECT_TRUE (state.toString().contains ("<name>" + vorlanPreset (2)->name + "</name>") && state.toString().contains ("<bankName>Vorlan</bankName>"));

    // The window closes with the browser open: the box goes along.
    editor.reset();
    EXPECT_FALSE (juce::ModalComponentManager::getInstance()->isModal (box));
    runMessages();
    EXPECT_EQ (box, nullptr);
}
