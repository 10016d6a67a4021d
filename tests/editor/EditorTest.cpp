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
    /** What the host hears of the user's gestures. */
    struct HostLog : juce::AudioProcessorListener
    {
        void audioProcessorParameterChanged (juce::AudioProcessor*, int index, float value) override
        {
            events.add ("change " + juce::String (index));
            lastValue = value;
        }

        void audioProcessorChanged (juce::AudioProcessor*, const ChangeDetails&) override {}
        void audioProcessorParameterChangeGestureBegin (juce::AudioProcessor*, int index) override   { events.add ("begin " + juce::String (index)); }
        void audioProcessorParameterChangeGestureEnd (juce::AudioProcessor*, int index) override     { events.add ("end " + juce::String (index)); }

        /** The events with runs of changes collapsed into one. */
        juce::String summary() const
        {
            juce::StringArray collapsed;
            for (auto& e : events)
                if (collapsed.isEmpty() || collapsed[collapsed.size() - 1] != e)
                    collapsed.add (e);
            return collapsed.joinIntoString (", ");
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

            processor = std::make_unique<KorvixAudioProcessor>();
            processor->addListener (&host);
        }

        ~Editor() override
        {
            processor->removeListener (&host);
        }

        std::unique_ptr<KorvixAudioProcessorEditor> open (ComponentUIProvider* skin = nullptr)
        {
            return std::make_unique<KorvixAudioProcessorEditor> (*processor, skin != nullptr ? skin : provider.get());
        }

        QmParameter& parameter (int i)     { return *processor->getEngine()->parameters[i]; }

        std::unique_ptr<SVGProvider> provider = EditorTest::makeProvider();
        std::unique_ptr<KorvixAudioProcessor> processor;
        HostLog host;
    };

    template <typename Widget>
    Widget* widgetFor (KorvixAudioProcessorEditor& editor, int index)
    {
        return dynamic_cast<Widget*> (editor.getWidgetFor (index));
    }
}

TEST_F (Editor, BuildsEveryControlWhereTheSkinPutsIt)
{
    auto editor = open();
    EXPECT_EQ (editor->getBounds(), juce::Rectangle<int> (0, 0, 300, 200));
    EXPECT_EQ (editor->getTimerInterval(), 20);

    // The first kind found decides; indices beyond the parameters and kinds
    // a parameter cannot show make nothing.
    ASSERT_NE (widgetFor<VnKnob> (*editor, 40), nullptr);
    EXPECT_EQ (editor->getWidgetFor (40)->getBounds(), juce::Rectangle<int> (20, 20, 40, 40));
    EXPECT_TRUE (widgetFor<VnKnob> (*editor, 1) != nullptr && widgetFor<VnSlider> (*editor, 1) == nullptr);
    EXPECT_NE (widgetFor<VnButton> (*editor, 18), nullptr);
    EXPECT_NE (widgetFor<VnButton> (*editor, 7), nullptr);
    EXPECT_NE (widgetFor<VnRadioButton> (*editor, 42), nullptr);
    EXPECT_EQ (editor->getWidgetFor (9), nullptr);
    ASSERT_NE (widgetFor<VnSlider> (*editor, 24), nullptr);
    EXPECT_EQ (editor->getWidgetFor (24)->getBounds(), juce::Rectangle<int> (25, 100, 20, 80));
    EXPECT_EQ (editor->getWidgets().size(), 11);

    for (auto* w : editor->getWidgets())
        EXPECT_TRUE (w->isVisible() && w->getParentComponent() == editor.get());

    EXPECT_EQ (editor->getLearnButton()->getBounds(), juce::Rectangle<int> (260, 160, 30, 15));
    EXPECT_TRUE (editor->getLearnButton()->getClickingTogglesState());
    EXPECT_FALSE (editor->getMenuButton()->getClickingTogglesState());

    // Every learnable widget is registered under its parameter index.
    auto registered = QmMidiMapper::getInstance()->getComponents();
    EXPECT_TRUE (registered.contains (widgetFor<VnRadioButton> (*editor, 42)));
    EXPECT_EQ (widgetFor<VnKnob> (*editor, 40)->parameterIndex, 40);

    // The skin's own look: background and controls, nothing global changed.
    const auto image = EditorTest::paint (*editor);
    EXPECT_EQ (EditorTest::pixel (image, 5, 195), 0xff204060u);
    EXPECT_EQ (EditorTest::pixel (image, 40, 50), 0xffff0000u);
    EXPECT_EQ (&editor->getLookAndFeel(), &editor->getKorvixLookAndFeel());
    EXPECT_NE (&juce::LookAndFeel::getDefaultLookAndFeel(), &editor->getKorvixLookAndFeel());

    editor.reset();
    EXPECT_FALSE (QmMidiMapper::getInstance()->getComponents().contains (registered.getFirst()));
}

TEST_F (Editor, TheShippedSkinGivesEveryParameterItsControl)
{
    SVGProvider shipped (juce::File (VORLAN_RESOURCES_DIR).getChildFile ("skin/skin.svg"));
    auto editor = open (&shipped);
    EXPECT_EQ (editor->getBounds(), shipped.getDrawable ("background")->getBounds().withZeroOrigin());

    for (int i = 0; i < QmParam::count; ++i)
    {
        auto* widget = editor->getWidgetFor (i);
        ASSERT_NE (widget, nullptr) << i;

        std::unique_ptr<juce::Drawable> element;
        for (auto* kind : { "knob_", "button_", "combo_", "radio_", "slider_" })
            if (element == nullptr)
                element = shipped.getDrawable (kind + juce::String (i));

        EXPECT_EQ (widget->getBounds(), element->getBounds()) << i;
    }

    EXPECT_NE (editor->getLearnButton()->getName(), "Empty button");
    EXPECT_NE (editor->getMenuButton()->getName(), "Empty button");
}

TEST_F (Editor, MissingOrBrokenSkinGivesAnEmptyWhiteEditor)
{
    for (const auto* text : { "", "<svg><rect id=\"knob_3\" width=\"a\"", "garbage" })
    {
        auto broken = EditorTest::makeProvider (text);
        auto editor = open (broken.get());
        EXPECT_EQ (editor->getWidgets().size(), 2) << text;
        EXPECT_EQ (editor->getLearnButton()->getName(), "Empty button");

        const auto image = EditorTest::paint (*editor);
        EXPECT_TRUE (image.getWidth() > 1 && EditorTest::pixel (image, image.getWidth() / 2, image.getHeight() / 2) == 0xffffffffu) << text;
        editor->timerCallback();
    }
}

TEST_F (Editor, DragsReachTheHostAsGesturesAndClosingEndsAnOpenOne)
{
    auto editor = open();
    auto* knob = widgetFor<VnKnob> (*editor, 40);
    ASSERT_NE (knob, nullptr);

    EditorTest::drag (*knob, -40.0f);
    EXPECT_EQ (host.summary(), "begin 40, change 40, end 40");
    EXPECT_EQ (host.lastValue, parameter (40).getValue());
    EXPECT_GT (parameter (40).getValue(), 0.0f);

    // A double-click centres the bipolar knob as one gesture.
    host.events.clear();
    const auto centre = knob->getLocalBounds().getCentre().toFloat();
    knob->mouseDoubleClick (EditorTest::mouseEvent (*knob, centre, centre, 2));
    EXPECT_EQ (std::pair (host.summary(), parameter (40).getValue()), std::pair (juce::String ("begin 40, change 40, end 40"), 0.5f));

    // Closed in the middle of a fader drag: the host still hears the end.
    host.events.clear();
    auto* fader = widgetFor<VnSlider> (*editor, 24);
    const auto start = fader->getLocalBounds().getCentre().toFloat();
    fader->mouseDown (EditorTest::mouseEvent (*fader, start, start));
    fader->mouseDrag (EditorTest::mouseEvent (*fader, start.translated (0, -20), start, 1, true));
    editor.reset();
    EXPECT_EQ (host.summary(), "begin 24, change 24, end 24");
}

TEST_F (Editor, ClicksAndChoicesReachTheHostAsOneGestureAndUpdatesSendNothing)
{
    auto editor = open();
    const auto runMessages = [] { juce::MessageManager::getInstance()->runDispatchLoopUntil (20); };

    widgetFor<VnButton> (*editor, 18)->triggerClick();
    runMessages();
    EXPECT_EQ (std::pair (host.summary(), host.lastValue), std::pair (juce::String ("begin 18, change 18, end 18"), 1.0f));

    host.events.clear();
    widgetFor<VnRadioButton> (*editor, 42)->getChoices()[3]->triggerClick();
    runMessages();
    EXPECT_EQ (std::pair (host.summary(), host.lastValue), std::pair (juce::String ("begin 42, change 42, end 42"), 0.75f));

    host.events.clear();
    auto* combo = widgetFor<VnCombo> (*editor, 0);
    combo->triggerClick();
    runMessages();
    ASSERT_NE (combo->getPopupList(), nullptr);
    dynamic_cast<juce::Button*> (combo->getPopupList()->getCellComponent (1, 5))->triggerClick();
    runMessages();
    EXPECT_EQ (std::pair (host.summary(), host.lastValue), std::pair (juce::String ("begin 0, change 0, end 0"), 1.0f));

    // Automation, a preset load and Init move the controls and tell the host nothing.
    host.events.clear();
    for (int i : { 0, 18, 42 })
        processor->setParameter (i, 0.5f);
    editor->timerCallback();
    processor->getBankManager()->stepPreset (1);
    editor->timerCallback();
    processor->runCommand (VorlanCommon::Init);
    editor->timerCallback();
    runMessages();
    EXPECT_TRUE (host.events.isEmpty()) << host.summary();
    EXPECT_TRUE (widgetFor<VnRadioButton> (*editor, 42)->getChoices()[0]->getToggleState());
}

TEST_F (Editor, AutomationRestoredStateAndCommandsMoveTheControls)
{
    auto editor = open();
    auto* knob = widgetFor<VnKnob> (*editor, 40);
    auto* radio = widgetFor<VnRadioButton> (*editor, 42);

    // Host automation: shown at the timer's next turn, not before.
    processor->setParameter (40, 0.8f);
    processor->setParameter (42, 1.0f);
    EXPECT_NE (knob->getValue(), (double) 0.8f);
    editor->timerCallback();
    EXPECT_EQ (knob->getValue(), (double) 0.8f);
    EXPECT_TRUE (radio->getChoices()[4]->getToggleState() && ! radio->getChoices()[0]->getToggleState());

    // A state restored on a host thread while the editor is open.
    juce::MemoryBlock state;
    processor->getStateInformation (state);
    processor->setParameter (40, 0.1f);
    editor->timerCallback();
    std::thread hostThread ([&] { processor->setStateInformation (state.getData(), (int) state.getSize()); });
    hostThread.join();
    editor->timerCallback();
    EXPECT_EQ (knob->getValue(), (double) 0.8f);

    // Init from the keyboard, and with shift held too; Randomize.
    const auto ctrl = juce::ModifierKeys::ctrlModifier;
    EXPECT_TRUE (editor->keyPressed (juce::KeyPress ('i', ctrl | juce::ModifierKeys::shiftModifier, 0), editor.get()));
    editor->timerCallback();
    EXPECT_EQ (knob->getValue(), (double) parameter (40).defaultValue);
    EXPECT_TRUE (radio->getChoices()[0]->getToggleState());

    EXPECT_TRUE (editor->keyPressed (juce::KeyPress ('R', ctrl, 0), editor.get()));
    editor->timerCallback();
    EXPECT_EQ (knob->getValue(), (double) parameter (40).getValue());
    EXPECT_TRUE (editor->keyPressed (juce::KeyPress ('/', ctrl, 0), editor.get()));
    EXPECT_FALSE (editor->keyPressed (juce::KeyPress ('x', ctrl, 0), editor.get()));
    EXPECT_FALSE (editor->keyPressed (juce::KeyPress ('i'), editor.get()));
}

TEST_F (Editor, CursorKeysStepTheCurrentBank)
{
    auto editor = open();
    auto& properties = processor->getProperties();
    ASSERT_TRUE (properties.contains ("currentPreset"));
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
    auto* knob = widgetFor<VnKnob> (*editor, 40);
    editor->getLearnButton()->triggerClick();
    juce::MessageManager::getInstance()->runDispatchLoopUntil (5);
    ASSERT_TRUE (mapper->isLearnMode());

    EditorTest::paint (*editor);
    EXPECT_TRUE (knob->overlay->isVisible());

    // Click the overlay, move controller 74 (the audio thread's call).
    knob->overlay->mouseUp (EditorTest::mouseEvent (*knob->overlay, {}, {}));
    EXPECT_EQ (mapper->getLearnTarget(), 40);
    mapper->assignController (74, mapper->getLearnTarget());
    EXPECT_EQ (knob->controller, 74);

    // Closed while learning: learning ends and the binding is on disk.
    editor.reset();
    EXPECT_FALSE (mapper->isLearnMode());
    EXPECT_EQ (mapper->getLearnTarget(), -1);
    EXPECT_TRUE (QmMidiMapper::getMapFile().loadFileAsString().contains ("74"));

    // Reopened and learning again: the map is reloaded with the binding, and
    // with learning off the controller drives the parameter.
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
    EXPECT_EQ (processor->getParameter (40), 1.0f);
    editor->timerCallback();
    EXPECT_EQ (widgetFor<VnKnob> (*editor, 40)->getValue(), 1.0);
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
    EXPECT_EQ (widgetFor<VnKnob> (*second, 40)->getValue(), (double) 0.25f);
    EXPECT_EQ (EditorTest::pixel (EditorTest::paint (*second), 5, 195), 0xff204060u);
}

TEST_F (Editor, HelpOpensTheHelpPageAndOtherActionsRunCommands)
{
    auto editor = open();
    juce::String opened;
    editor->openLink = [&opened] (const juce::URL& url) { opened = url.toString (false); };

    editor->performMenuAction (VorlanCommon::Help);
    EXPECT_TRUE (opened.startsWith ("file://") && opened.endsWith ("/Resources/plugins/vorlan/help.html"));

    processor->setParameter (15, 0.2f);
    editor->performMenuAction (VorlanCommon::Init);
    EXPECT_EQ (processor->getParameter (15), parameter (15).defaultValue);
}

TEST (EditorFactory, ThePluginAsksTheInstalledFactory)
{
    // Nothing installed: no editor. The plug-in installs the editor's.
    KorvixAudioProcessor::setEditorFactory (nullptr, nullptr);
    {
        KorvixAudioProcessor processor;
        EXPECT_FALSE (processor.hasEditor());
        EXPECT_EQ (processor.createEditor(), nullptr);
    }

    KorvixAudioProcessor::setEditorFactory (&KorvixAudioProcessorEditor::create, &KorvixAudioProcessorEditor::prepare);
    KorvixAudioProcessor processor;
    EXPECT_TRUE (processor.hasEditor());
    std::unique_ptr<juce::AudioProcessorEditor> editor (processor.createEditor());
    EXPECT_NE (dynamic_cast<KorvixAudioProcessorEditor*> (editor.get()), nullptr);
    editor.reset();
    KorvixAudioProcessor::setEditorFactory (nullptr, nullptr);
}
