#include "EditorTestSupport.h"
#include "KorvixAudioProcessor.h"
#include "KorvixAudioProcessorEditor.h"
#include "MidiOverlay.h"
#include "QmBankManager.h"
#include "QmDataFolders.h"
#include "QmMidiMapper.h"
#include "QmParameter.h"
#include "QmSynthEngine.h"
#include "VnButton.h"
#include "VnCombo.h"
#include "VnKnob.h"
#include "VnRadioButton.h"
#include "VnSlider.h"
#include "plugin/FactoryBankFile.h"

#include <thread>

namespace
{
    /** What the host hears of the user's gestures, runs of changes as one. */
    struct HostLog : juce::AudioProcessorListener
    {
        void add (const juce::String& e)    { if (events.isEmpty() || events[events.size() - 1] != e) events.add (e); }
        void audioProcessorParameterChanged (juce::AudioProcessor*, int i, float v) override   { add ("change " + juce::String (i)); lastValue = v; }
        void audioProcessorChanged (juce::AudioProcessor*, const ChangeDetails&) override {}
        void audioProcessorParameterChangeGestureBegin (juce::AudioProcessor*, int i) override  { add ("begin " + juce::String (i)); }
        void audioProcessorParameterChangeGestureEnd (juce::AudioProcessor*, int i) override    { add ("end " + juce::String (i)); }

        /** The events so far, and forgets them. */
        std::pair<juce::String, float> take()
        {
            auto result = std::pair (events.joinIntoString (", "), lastValue);
            events.clear();
            return result;
        }

        juce::StringArray events;
        float lastValue = -1.0f;
    };

    struct Editor : ::testing::Test
    {
        Editor()
        {
            // The factory bank, so that the processor starts on a preset.
            const auto bank = QmDataFolders::getResourceFile ("banks/vorlan.xml");
            if (! bank.existsAsFile())
            {
                bank.getParentDirectory().createDirectory();
                findFactoryBankSource().copyFileTo (bank);
            }

            processor->addListener (&host);
        }

        ~Editor() override      { processor->removeListener (&host); }

        std::unique_ptr<KorvixAudioProcessorEditor> open (ComponentUIProvider* skin = nullptr)
        {
            return std::make_unique<KorvixAudioProcessorEditor> (*processor, skin != nullptr ? skin : provider.get());
        }

        template <typename Widget>
        Widget& widget (KorvixAudioProcessorEditor& editor, int index)
        {
            auto* w = dynamic_cast<Widget*> (editor.getWidgetFor (index));
            if (w == nullptr)
                throw std::runtime_error ("no widget " + std::to_string (index));
            return *w;
        }

        QmParameter& parameter (int i)     { return *processor->getEngine()->parameters[i]; }

        std::unique_ptr<SVGProvider> provider = EditorTest::makeProvider();
        std::unique_ptr<KorvixAudioProcessor> processor = std::make_unique<KorvixAudioProcessor>();
        HostLog host;
    };
}

TEST_F (Editor, BuildsEveryControlWhereTheSkinPutsIt)
{
    auto editor = open();
    EXPECT_EQ (std::pair (editor->getBounds(), editor->getTimerInterval()), std::pair (juce::Rectangle<int> (0, 0, 300, 200), 20));
    EXPECT_EQ (widget<VnKnob> (*editor, 40).getBounds(), juce::Rectangle<int> (20, 20, 40, 40));
    EXPECT_EQ (widget<VnSlider> (*editor, 24).getBounds(), juce::Rectangle<int> (25, 100, 20, 80));

    // A radio group for a parameter without options makes nothing.
    EXPECT_EQ (editor->getWidgetFor (9), nullptr);
    EXPECT_EQ (editor->getWidgets().size(), 8);

    // Learnable widgets are registered under their index while the editor lives.
    auto* radio = &widget<VnRadioButton> (*editor, 42);
    EXPECT_TRUE (QmMidiMapper::getInstance()->getComponents().contains (radio) && radio->parameterIndex == 42);

    // Its own look, nothing global changed.
    const auto image = EditorTest::paint (*editor);
    EXPECT_EQ (std::pair (EditorTest::pixel (image, 5, 195), EditorTest::pixel (image, 40, 50)), std::pair (0xff204060u, 0xffff0000u));
    EXPECT_EQ (&editor->getLookAndFeel(), &editor->getKorvixLookAndFeel());
    EXPECT_NE (&juce::LookAndFeel::getDefaultLookAndFeel(), &editor->getKorvixLookAndFeel());

    editor.reset();
    EXPECT_FALSE (QmMidiMapper::getInstance()->getComponents().contains (radio));
}

TEST_F (Editor, MissingOrBrokenSkinGivesAnEmptyWhiteEditor)
{
    for (const auto* text : { "", "<svg><rect id=\"knob_3\" width=\"a\"", "garbage" })
    {
        auto broken = EditorTest::makeProvider (text);
        auto editor = open (broken.get());
        EXPECT_EQ (editor->getWidgets().size(), 2) << text;     // the two unplaced action buttons

        const auto image = EditorTest::paint (*editor);
        EXPECT_TRUE (image.getWidth() > 1 && EditorTest::pixel (image, image.getWidth() / 2, image.getHeight() / 2) == 0xffffffffu) << text;
        editor->timerCallback();
    }
}

TEST_F (Editor, DragsReachTheHostAsGesturesAndClosingEndsAnOpenOne)
{
    auto editor = open();
    auto& knob = widget<VnKnob> (*editor, 40);

    EditorTest::drag (knob, -40.0f);
    EXPECT_EQ (host.take(), std::pair (juce::String ("begin 40, change 40, end 40"), parameter (40).getValue()));
    EXPECT_GT (parameter (40).getValue(), 0.0f);

    // A double-click centres the bipolar knob as one gesture.
    EditorTest::doubleClick (knob);
    EXPECT_EQ (host.take(), std::pair (juce::String ("begin 40, change 40, end 40"), 0.5f));

    // Closed in the middle of a fader drag: the host still hears the end.
    EditorTest::drag (widget<VnSlider> (*editor, 24), -20.0f, false);
    editor.reset();
    EXPECT_EQ (host.take().first, "begin 24, change 24, end 24");
}

TEST_F (Editor, ClicksAndChoicesReachTheHostAsOneGestureAndUpdatesSendNothing)
{
    auto editor = open();
    widget<VnButton> (*editor, 18).triggerClick();
    EditorTest::runMessages();
    EXPECT_EQ (host.take(), std::pair (juce::String ("begin 18, change 18, end 18"), 1.0f));

    widget<VnRadioButton> (*editor, 42).getChoices()[3]->triggerClick();
    EditorTest::runMessages();
    EXPECT_EQ (host.take(), std::pair (juce::String ("begin 42, change 42, end 42"), 0.75f));

    auto& combo = widget<VnCombo> (*editor, 0);
    combo.triggerClick();
    EditorTest::runMessages();
    ASSERT_NE (combo.getPopupList(), nullptr);
    dynamic_cast<juce::Button*> (combo.getPopupList()->getCellComponent (1, 5))->triggerClick();
    EditorTest::runMessages();
    EXPECT_EQ (host.take(), std::pair (juce::String ("begin 0, change 0, end 0"), 1.0f));

    // Automation, a preset load and Init move the controls and tell the host nothing.
    for (int i : { 0, 18, 42 })
        processor->setParameter (i, 0.5f);
    editor->timerCallback();
    processor->getBankManager()->stepPreset (1);
    editor->timerCallback();
    processor->runCommand (VorlanCommon::Init);
    editor->timerCallback();
    EditorTest::runMessages();
    EXPECT_TRUE (host.events.isEmpty()) << host.take().first;
    EXPECT_TRUE (widget<VnRadioButton> (*editor, 42).getChoices()[0]->getToggleState());
}

TEST_F (Editor, AutomationRestoredStateKeysAndCommandsMoveTheControls)
{
    auto editor = open();
    auto& knob = widget<VnKnob> (*editor, 40);
    auto& radio = widget<VnRadioButton> (*editor, 42);

    // Host automation: shown at the timer's next turn, not before.
    processor->setParameter (40, 0.8f);
    processor->setParameter (42, 1.0f);
    EXPECT_NE (knob.getValue(), (double) 0.8f);
    editor->timerCallback();
    EXPECT_EQ (knob.getValue(), (double) 0.8f);
    EXPECT_TRUE (radio.getChoices()[4]->getToggleState() && ! radio.getChoices()[0]->getToggleState());

    // A state restored on a host thread while the editor is open.
    juce::MemoryBlock state;
    processor->getStateInformation (state);
    processor->setParameter (40, 0.1f);
    editor->timerCallback();
    std::thread ([&] { processor->setStateInformation (state.getData(), (int) state.getSize()); }).join();
    editor->timerCallback();
    EXPECT_EQ (knob.getValue(), (double) 0.8f);

    // Ctrl+I (shift held too) runs Init, Ctrl+R Randomize; plain keys are not ours.
    const auto ctrl = juce::ModifierKeys::ctrlModifier;
    EXPECT_TRUE (editor->keyPressed (juce::KeyPress ('i', ctrl | juce::ModifierKeys::shiftModifier, 0), editor.get()));
    editor->timerCallback();
    EXPECT_TRUE (knob.getValue() == (double) parameter (40).defaultValue && radio.getChoices()[0]->getToggleState());
    EXPECT_TRUE (editor->keyPressed (juce::KeyPress ('R', ctrl, 0), editor.get()));
    editor->timerCallback();
    EXPECT_EQ (knob.getValue(), (double) parameter (40).getValue());
    EXPECT_FALSE (editor->keyPressed (juce::KeyPress ('i'), editor.get()));

    // The cursor keys step through the current bank; with Shift they are not ours.
    auto& properties = processor->getProperties();
    const auto first = properties["currentPreset"];
    EXPECT_TRUE (editor->keyPressed (juce::KeyPress (juce::KeyPress::rightKey), editor.get()));
    const auto second = properties["currentPreset"];
    EXPECT_NE (second, first);
    EXPECT_FALSE (editor->keyPressed (juce::KeyPress (juce::KeyPress::rightKey, juce::ModifierKeys::shiftModifier, 0), editor.get()));
    EXPECT_EQ (properties["currentPreset"], second);
    EXPECT_TRUE (editor->keyPressed (juce::KeyPress (juce::KeyPress::leftKey), editor.get()));
    EXPECT_EQ (properties["currentPreset"], first);
}

TEST_F (Editor, LearnBindsAControllerThatStillDrivesAfterReopening)
{
    auto* mapper = QmMidiMapper::getInstance();
    QmMidiMapper::getMapFile().deleteFile();
    mapper->load();

    auto editor = open();
    auto& knob = widget<VnKnob> (*editor, 40);
    editor->getLearnButton()->triggerClick();
    EditorTest::runMessages();
    ASSERT_TRUE (mapper->isLearnMode());
    EditorTest::paint (*editor);
    EXPECT_TRUE (knob.overlay->isVisible());

    // Click the overlay, move controller 74 (the audio thread's call).
    knob.overlay->mouseUp (EditorTest::mouseEvent (*knob.overlay, {}, {}));
    mapper->assignController (74, mapper->getLearnTarget());
    EXPECT_EQ (knob.controller, 74);

    // Closed while learning: learning ends and the binding is on disk.
    editor.reset();
    EXPECT_EQ (std::pair (mapper->isLearnMode(), mapper->getLearnTarget()), std::pair (false, -1));
    EXPECT_TRUE (QmMidiMapper::getMapFile().loadFileAsString().contains ("74"));

    // Learning again reloads the map with the binding; with learning off the
    // controller drives the parameter.
    editor = open();
    editor->setLearning (true);
    EXPECT_EQ (mapper->getControllerForParameter (40), 74);
    editor->setLearning (false);

    processor->setRateAndBufferSizeDetails (44100.0, 64);
    juce::AudioBuffer<float> buffer (2, 64);
    juce::MidiBuffer midi;
    midi.addEvent (juce::MidiMessage::controllerEvent (1, 74, 127), 0);
    processor->setParameter (40, 0.0f);
    processor->processBlock (buffer, midi);
    editor->timerCallback();
    EXPECT_EQ (widget<VnKnob> (*editor, 40).getValue(), 1.0);
}

TEST_F (Editor, OpensAndClosesRepeatedlyAndBesideAnotherInstance)
{
    for (int i = 0; i < 50; ++i)
    {
        auto editor = open();
        editor->timerCallback();
        EditorTest::paint (*editor);
    }

    // Two instances, one closes: the other keeps its look and keeps working.
    KorvixAudioProcessor otherProcessor;
    auto first = open();
    auto second = std::make_unique<KorvixAudioProcessorEditor> (otherProcessor, provider.get());
    first.reset();

    EXPECT_EQ (&second->getLookAndFeel(), &second->getKorvixLookAndFeel());
    otherProcessor.setParameter (40, 0.25f);
    second->timerCallback();
    EXPECT_EQ (widget<VnKnob> (*second, 40).getValue(), (double) 0.25f);
    EXPECT_EQ (EditorTest::pixel (EditorTest::paint (*second), 5, 195), 0xff204060u);
}
