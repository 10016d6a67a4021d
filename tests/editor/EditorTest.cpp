// The editor on the tests' small skin, and on the shipped skin, pictures,
// help page and factory bank, installed as the plug-in finds them.
#include "BankPopover.h"
#include "BrowserRowCell.h"
#include "EditorTestSupport.h"
#include "KorvixAudioProcessor.h"
#include "KorvixAudioProcessorEditor.h"
#include "MenuPopover.h"
#include "MidiOverlay.h"
#include "PresetsList.h"
#include "QmBankManager.h"
#include "QmDataFolders.h"
#include "QmFileWriter.h"
#include "QmMidiMapper.h"
#include "QmOscilloscope.h"
#include "QmParam.h"
#include "QmParameter.h"
#include "QmScreen.h"
#include "QmSynthEngine.h"
#include "VnButton.h"
#include "VnCombo.h"
#include "VnKnob.h"
#include "VnMeter.h"
#include "VnRadioButton.h"
#include "VnSlider.h"

#include <thread>

using EditorTest::runMessages;

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

        /** The events so far and the last value; the events forgotten. */
        std::pair<juce::String, float> take()   { const auto text = events.joinIntoString (", "); events.clear(); return { text, lastValue }; }

        juce::StringArray events;
        float lastValue = -1.0f;
    };

    struct Editor : ::testing::Test
    {
        Editor()
        {
            const auto installed = QmDataFolders::getResourceFile ({});
            juce::File (VORLAN_RESOURCES_DIR).copyDirectoryTo (installed);
            QmDataFolders::getBanksFolder().deleteRecursively();       // seeded afresh with the factory bank

            processor = std::make_unique<KorvixAudioProcessor>();
            processor->setRateAndBufferSizeDetails (44100.0, 512);
            processor->addListener (&host);
            shipped = std::make_unique<SVGProvider> (installed.getChildFile ("skin/skin.svg"));
        }

        ~Editor() override      { processor->removeListener (&host); }

        std::unique_ptr<KorvixAudioProcessorEditor> open (ComponentUIProvider* skin = nullptr)
            { return std::make_unique<KorvixAudioProcessorEditor> (*processor, skin != nullptr ? skin : provider.get()); }

        template <typename Widget = juce::Component>
        Widget& widget (KorvixAudioProcessorEditor& editor, int index)
            { if (auto* w = dynamic_cast<Widget*> (editor.getWidgetFor (index))) return *w; throw std::runtime_error ("no widget " + std::to_string (index)); }

        QmParameter& parameter (int i)      { return *processor->getEngine()->parameters[i]; }
        juce::MemoryBlock state()           { juce::MemoryBlock block; processor->getStateInformation (block); return block; }
        void restore (const juce::MemoryBlock& s)   { processor->setStateInformation (s.getData(), (int) s.getSize()); }
        QmBankManager& banks()              { return *processor->getBankManager(); }
        QmPreset* vorlanPreset (int i)      { return banks().getBank ("Vorlan")->presets[i].get(); }
        juce::String line (int i)           { return "Vorlan / " + vorlanPreset (i)->name; }

        /** Blocks rendered, the first with the message, then shown by the editor's timer. */
        void play (KorvixAudioProcessorEditor& editor, int blocks, const juce::MidiMessage& message, bool bypassed = false)
        {
            juce::AudioBuffer<float> buffer (2, 512);
            juce::MidiBuffer midi;
            midi.addEvent (message, 0);
            for (int b = 0; b < blocks; ++b, midi.clear())
                bypassed ? processor->processBlockBypassed (buffer, midi) : processor->processBlock (buffer, midi);
            editor.timerCallback();
        }

        static void clickScreen (KorvixAudioProcessorEditor& editor, juce::Component& target)
            { const auto centre = target.getLocalBounds().getCentre().toFloat(); editor.mouseUp (EditorTest::mouseEvent (target, centre, centre)); }

        std::unique_ptr<SVGProvider> provider = EditorTest::makeProvider(), shipped;
        std::unique_ptr<KorvixAudioProcessor> processor;
        HostLog host;
    };
}

TEST_F (Editor, BuildsEveryControlWhereTheSkinPutsItTellsTheHostEveryGestureAndNoAutomationStateKeyOrCommand)
{
    auto editor = open();
    EXPECT_EQ (std::pair (editor->getBounds(), editor->getTimerInterval()), std::pair (juce::Rectangle<int> (0, 0, 300, 200), 20));     // no oscilloscope: every 20 ms

    // A radio group for a parameter without options makes nothing.
    EXPECT_EQ (editor->getWidgetFor (9), nullptr);
    EXPECT_EQ (editor->getWidgets().size(), 8);

    // Learnable widgets are registered under their index while the editor lives.
    auto* radio = &widget<VnRadioButton> (*editor, 42);
    EXPECT_TRUE (QmMidiMapper::getInstance()->getComponents().contains (radio));

    // Its own look, nothing global changed.
    const auto image = EditorTest::paint (*editor);
    EXPECT_EQ (std::pair (EditorTest::pixel (image, 5, 195), EditorTest::pixel (image, 40, 50)), std::pair (0xff204060u, 0xffff0000u));
    EXPECT_NE (&juce::LookAndFeel::getDefaultLookAndFeel(), &editor->getKorvixLookAndFeel());

    editor.reset();
    EXPECT_FALSE (QmMidiMapper::getInstance()->getComponents().contains (radio));

    // A broken skin (the provider's test tries more) gives an empty white
    // editor, still of a size a host can show.
    auto broken = EditorTest::makeProvider ("<svg><rect id=\"knob_3\" width=\"a\"");
    auto blank = open (broken.get());
    EXPECT_EQ (blank->getWidgets().size(), 2);     // the two unplaced action buttons
    EXPECT_EQ (std::pair (blank->getWidth() > 1, blank->getHeight() > 1), std::pair (true, true)) << blank->getBounds().toString();
    const auto white = EditorTest::paint (*blank);
    EXPECT_EQ (EditorTest::pixel (white, white.getWidth() / 2, white.getHeight() / 2), 0xffffffffu);
    blank->timerCallback();
    blank.reset();

    // Every user gesture reaches the host; closing ends an open one.
    editor = open();
    auto& knob = widget<VnKnob> (*editor, 40);
    EditorTest::drag (knob, -40.0f);
    EXPECT_EQ (host.take(), std::pair (juce::String ("begin 40, change 40, end 40"), parameter (40).getValue()));
    EXPECT_GT (parameter (40).getValue(), 0.0f);

    // A double-click centres the bipolar knob as one gesture.
    EditorTest::doubleClick (knob);
    EXPECT_EQ (host.take(), std::pair (juce::String ("begin 40, change 40, end 40"), 0.5f));

    // A click, a group choice and a combo option: one whole gesture each.
    EditorTest::click (widget<VnButton> (*editor, 18));
    EXPECT_EQ (host.take(), std::pair (juce::String ("begin 18, change 18, end 18"), 1.0f));
    EditorTest::click (*widget<VnRadioButton> (*editor, 42).getChoices()[3]);
    EXPECT_EQ (host.take(), std::pair (juce::String ("begin 42, change 42, end 42"), 0.75f));

    auto& combo = widget<VnCombo> (*editor, 0);
    EditorTest::click (combo);
    EXPECT_NE (combo.getPopupList(), nullptr);
    if (auto* list = combo.getPopupList())
        EditorTest::click (*dynamic_cast<juce::Button*> (list->getCellComponent (1, 5)));
    EXPECT_EQ (host.take(), std::pair (juce::String ("begin 0, change 0, end 0"), 1.0f));

    // A fader click moves nothing and tells the host nothing; a drag carries the thumb with the pointer.
    auto& fader = widget<VnSlider> (*editor, 24);
    parameter (24).setValue (0.0f);
    editor->timerCallback();

    // The top row of the thumb's colour in one column of the window.
    const auto thumbTop = [&]
    {
        const auto image = EditorTest::paint (*editor);
        for (int y = 0; y < image.getHeight(); ++y)
            if (EditorTest::pixel (image, 35, y) == 0xffffa000u)
                return y;
        return -1;
    };
    const auto top = thumbTop();
    EXPECT_EQ (top, 172);

    // Pressed and released 8 px above the thumb's middle.
    const auto press = juce::Point<float> (35.0f, (float) top + 4.0f - 8.0f) - fader.getPosition().toFloat();
    fader.mouseDown (EditorTest::mouseEvent (fader, press, press));
    fader.mouseUp (EditorTest::mouseEvent (fader, press, press));
    EXPECT_EQ (parameter (24).getValue(), 0.0f);
    EXPECT_EQ (host.take().first, "");
    EXPECT_EQ (thumbTop(), top);

    // Dragged up 20 px from there: the thumb follows, one gesture.
    EditorTest::drag (fader, -20.0f, true, press);
    EXPECT_EQ (thumbTop(), top - 20);
    EXPECT_EQ (host.take().first, "begin 24, change 24, end 24");

    // Closed in the middle of a fader drag: the host still hears the end.
    EditorTest::drag (fader, -20.0f, false);
    editor.reset();
    EXPECT_EQ (host.take().first, "begin 24, change 24, end 24");

    // Automation, a restored state, keys and commands move the controls and tell the host nothing.
    editor = open();
    auto& dial = widget<VnKnob> (*editor, 40);
    auto& group = widget<VnRadioButton> (*editor, 42);

    // Host automation: shown at the timer's next turn, not before.
    for (int i : { 0, 18, 40 })
        processor->setParameter (i, 0.8f);
    processor->setParameter (42, 1.0f);
    EXPECT_NE (dial.getValue(), (double) 0.8f);
    editor->timerCallback();
    EXPECT_EQ (dial.getValue(), (double) 0.8f);
    EXPECT_EQ (std::pair (group.getChoices()[4]->getToggleState(), group.getChoices()[0]->getToggleState()), std::pair (true, false));

    // A state restored on a host thread while the editor is open.
    const auto saved = state();
    processor->setParameter (40, 0.1f);
    editor->timerCallback();
    std::thread ([&] { restore (saved); }).join();
    editor->timerCallback();
    EXPECT_EQ (dial.getValue(), (double) 0.8f);

    // Ctrl+I (shift held too) runs Init, Ctrl+R Randomize; plain keys are not ours.
    const auto ctrl = juce::ModifierKeys::ctrlModifier;
    EXPECT_TRUE (editor->keyPressed (juce::KeyPress ('i', ctrl | juce::ModifierKeys::shiftModifier, 0), editor.get()));
    editor->timerCallback();
    EXPECT_EQ (std::pair (dial.getValue(), group.getChoices()[0]->getToggleState()), std::pair ((double) parameter (40).defaultValue, true));
    std::vector<float> initialised;
    for (int i = 0; i < QmParam::count; ++i)
        initialised.push_back (parameter (i).getValue());
    EXPECT_TRUE (editor->keyPressed (juce::KeyPress ('R', ctrl, 0), editor.get()));
    editor->timerCallback();
    int randomised = 0;
    for (int i = 0; i < QmParam::count; ++i)
        randomised += parameter (i).getValue() != initialised[(size_t) i] ? 1 : 0;
    EXPECT_GT (randomised, 20);
    EXPECT_EQ (dial.getValue(), (double) parameter (40).getValue());
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
    editor->timerCallback();
    runMessages();
    EXPECT_EQ (properties["currentPreset"], first);
    EXPECT_TRUE (host.events.isEmpty()) << host.take().first;
}

TEST_F (Editor, LearnBindsAControllerThatStillDrivesAfterReopeningAndOfTwoInstancesOneClosesTheOtherKeepsItsLearningLookAndWork)
{
    auto* mapper = QmMidiMapper::getInstance();
    QmMidiMapper::getMapFile().deleteFile();
    mapper->load();

    auto editor = open();
    auto& knob = widget<VnKnob> (*editor, 40);
    EditorTest::click (*editor->getLearnButton());
    ASSERT_TRUE (mapper->isLearnMode());
    EditorTest::paint (*editor);
    EXPECT_TRUE (knob.overlay->isVisible());

    // Click the overlay, move controller 74 (the audio thread's call).
    knob.overlay->mouseUp (EditorTest::mouseEvent (*knob.overlay, {}, {}));
    mapper->assignController (74, mapper->getLearnTarget());
    EXPECT_EQ (knob.controller, 74);

    // A combo opens no list while learning: the list would take the click
    // meant to end learning.
    auto& combo = widget<VnCombo> (*editor, 0);
    EditorTest::click (combo);
    EXPECT_EQ (combo.getPopupList(), nullptr);

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

    processor->setParameter (40, 0.0f);
    play (*editor, 1, juce::MidiMessage::controllerEvent (1, 74, 127));
    EXPECT_EQ (widget<VnKnob> (*editor, 40).getValue(), 1.0);

    // Two instances: one closes, the other keeps its learning, its look and
    // works (opening and closing many times runs in a real window).
    KorvixAudioProcessor otherProcessor;
    auto first = std::exchange (editor, nullptr);
    auto second = std::make_unique<KorvixAudioProcessorEditor> (otherProcessor, provider.get());

    // Learning is one for the process: a binding learnt in one window survives
    // learning switched on in the other, and both windows show the mode.
    QmMidiMapper::getMapFile().replaceWithText ("<midimapper><dict/></midimapper>");
    first->setLearning (true);
    mapper->assignController (74, 40);
    second->setLearning (true);
    EXPECT_EQ (mapper->getControllerForParameter (40), 74);
    second->setLearning (false);
    first->timerCallback();
    EXPECT_EQ (std::pair (first->getLearnButton()->getToggleState(), widget<VnKnob> (*first, 40).learning), std::pair (false, false));
    first->setLearning (true);
    second->timerCallback();
    EXPECT_EQ (std::pair (second->getLearnButton()->getToggleState(), widget<VnKnob> (*second, 40).learning), std::pair (true, true));

    // Closing one window leaves learning to the other, without the target
    // picked in the closed one.
    widget<VnKnob> (*first, 40).overlay->toggleSelection();
    first.reset();
    second->timerCallback();
    EXPECT_EQ (std::tuple (mapper->isLearnMode(), mapper->getLearnTarget(), second->getLearnButton()->getToggleState()), std::tuple (true, -1, true));
    second->setLearning (false);

    EXPECT_EQ (&second->getLookAndFeel(), &second->getKorvixLookAndFeel());
    EXPECT_EQ (EditorTest::pixel (EditorTest::paint (*second), 5, 195), 0xff204060u);
}

TEST_F (Editor, ABindingTheDiskRefusesIsToldInABoxOnTheWindowAndKept)
{
    auto editor = open();
    auto* told = new EditorTest::Dialogs();
    editor->getBankPopover()->setDialogs (std::unique_ptr<BrowserDialogs> (told));
    auto& overlay = *widget<VnKnob> (*editor, 40).overlay;

    // Learnt on a full disk: the mapper's timer fails to write the binding,
    // the window's tells; switching learning off tries and tells again.
    setFileWriteRoomForTests (0);
    EditorTest::click (*editor->getLearnButton());
    overlay.mouseUp (EditorTest::mouseEvent (overlay, {}, {}));
    play (*editor, 1, juce::MidiMessage::controllerEvent (1, 90, 64));
    QmMidiMapper::getInstance()->timerCallback();
    editor->timerCallback();
    EditorTest::click (*editor->getLearnButton());
    editor->timerCallback();
    setFileWriteRoomForTests (-1);
    EXPECT_EQ (told->told.size(), 2);
    EXPECT_TRUE (told->told[1].startsWith ("Not saved: The MIDI map file cannot be written.")) << told->told[1];
    EXPECT_EQ (std::pair (told->toldOn, QmMidiMapper::getInstance()->getParameterForController (90)), std::pair ((juce::Component*) editor.get(), 40));
}

TEST_F (Editor, TheShippedPanelsScreenFollowsEveryLoadItsMeterAndScopeTheOutputAndItsLearnBadgesStandClear)
{
    auto editor = open (shipped.get());
    for (auto* part : { (juce::Component*) editor->getMeter(), (juce::Component*) editor->getOscilloscope(), (juce::Component*) editor->getScreen() })
        ASSERT_NE (part, nullptr);
    EXPECT_EQ (editor->getTimerInterval(), 33);

    auto& screen = *editor->getScreen();
    EXPECT_EQ (screen.getLines(), juce::StringArray ("Vorlan / default"));
    EditorTest::click (screen.getRightButton());
    EXPECT_EQ (std::pair (screen.getLines()[0], processor->getProperties()["currentPreset"]), std::pair (line (1), vorlanPreset (1)->name));

    // A state restored on the host's thread shows once the messages run.
    banks().loadPreset (vorlanPreset (3));
    const auto saved = state();
    banks().loadPreset (vorlanPreset (1));
    std::thread ([&] { restore (saved); }).join();
    EXPECT_EQ (screen.getLines()[0], line (1));
    runMessages();
    EXPECT_EQ (screen.getLines()[0], line (3));

    // While a knob is dragged the screen shows its value, then the preset again.
    auto& knob = *editor->getWidgetFor (15);
    EditorTest::drag (knob, -30.0f, false);
    EXPECT_EQ (screen.getLines(), juce::StringArray (line (3), parameter (15).getText (parameter (15).value)));
    knob.mouseUp (EditorTest::mouseEvent (knob, {}, {}, 1, true));
    EXPECT_EQ (screen.getLines(), juce::StringArray (line (3)));

    // A held note moves the meter and the trace; silence brings both back.
    banks().loadPreset (vorlanPreset (0));
    auto& meter = *editor->getMeter();
    auto& scope = *editor->getOscilloscope();
    const auto& trace = scope.getTraceBuffer();
    const auto tracePeak = [&] { return *std::max_element (trace.begin(), trace.begin() + scope.getWidth()); };

    play (*editor, 40, juce::MidiMessage::noteOn (1, 45, 1.0f));
    EXPECT_NEAR (meter.getValue(), std::sqrt (processor->peakLevel.load()), 1.0e-6f);
    EXPECT_GT (meter.getValue(), 0.1f);
    EXPECT_GT (tracePeak(), 0.8f);
    EXPECT_EQ (std::pair (scope.isRefreshRequested(), scope.getSampleRate()), std::pair (false, 44100));   // redrawn

    // Bypassed with the note held: the trace shows the silence that goes out.
    play (*editor, 10, juce::MidiMessage::noteOn (1, 45, 1.0f), true);
    EXPECT_LT (tracePeak(), 0.01f);

    // Silence: the meter falls back, the trace lies flat.
    play (*editor, 40, juce::MidiMessage::noteOn (1, 45, 1.0f));
    play (*editor, 400, juce::MidiMessage::noteOff (1, 45));
    EXPECT_LT (meter.getValue(), 0.01f);
    EXPECT_LT (tracePeak(), 0.01f);

    // In learn mode a radio group's number sits below its options, clear of every control.
    editor->setLearning (true);
    EditorTest::paint (*editor);
    int groups = 0;

    for (auto* w : editor->getWidgets())
    {
        auto* radio = dynamic_cast<VnRadioButton*> (w);
        if (radio == nullptr)
            continue;

        ++groups;
        auto& overlay = *radio->overlay;
        EXPECT_TRUE (overlay.isVisible()) << radio->parameterIndex;

        // In the window's coordinates: on the panel, under no option's label
        // and no other control.
        const auto badge = editor->getLocalArea (&overlay, overlay.getBadgeArea (juce::Font (15.0f))).getSmallestIntegerContainer();
        EXPECT_TRUE (editor->getLocalBounds().contains (badge)) << radio->parameterIndex;
        for (auto* choice : radio->getChoices())
            EXPECT_FALSE (editor->getLocalArea (choice, choice->getLocalBounds()).intersects (badge)) << radio->parameterIndex;
        for (auto* other : editor->getWidgets())
            EXPECT_FALSE (other->isVisible() && other->getBounds().intersects (badge)) << radio->parameterIndex << " " << other->getName();
    }

    EXPECT_EQ (groups, 8);
    editor->setLearning (false);
    EditorTest::paint (*editor);
    EXPECT_FALSE (widget<VnRadioButton> (*editor, 42).overlay->isVisible());
}

TEST_F (Editor, TheMenuRunsItsRowsTheScreenOpensTheBrowserAndClosingWithThemOpenCrashesNothing)
{
    auto editor = open (shipped.get());
    juce::String opened;
    bool browserStarts = true;
    editor->openLink = [&] (const juce::URL& url) { opened = url.getLocalFile().getFullPathName(); return browserStarts; };

    EditorTest::click (*editor->getMenuButton());
    auto* menu = editor->getMenuPopover();
    ASSERT_NE (menu, nullptr);
    ASSERT_NE (menu->getCallOutBox(), nullptr);

    juce::StringArray rows;
    for (auto* row : menu->getButtons())
        rows.add (row->getButtonText() + " " + row->getRightText());
    EXPECT_EQ (rows, juce::StringArray ("Init ^I", "Randomize ^R", "Help ^?"));
    EXPECT_EQ (menu->getHeight(), menu->getButtons().getLast()->getBottom());    // no empty panel below

    parameter (15).setValue (0.123f);
    menu->getButtons()[0]->triggerClick();
    EditorTest::click (*menu->getButtons()[2]);
    EXPECT_EQ (parameter (15).value.load(), parameter (15).defaultValue);
    EXPECT_TRUE (opened.endsWith ("Resources/plugins/vorlan/help.html")) << opened;
    EXPECT_TRUE (juce::File (opened).existsAsFile()) << opened;
    EXPECT_EQ (editor->getMenuPopover(), menu);

    // Ctrl+? opens it too, as the row says; where no browser starts, a box
    // on this window tells where the page is.
    auto* told = new EditorTest::Dialogs();
    editor->getBankPopover()->setDialogs (std::unique_ptr<BrowserDialogs> (told));
    browserStarts = false;
    EXPECT_TRUE (editor->keyPressed (juce::KeyPress ('?', juce::ModifierKeys::ctrlModifier | juce::ModifierKeys::shiftModifier, '?'), editor.get()));
    EXPECT_EQ (told->told, juce::StringArray ("Help: No web browser could be started. The help page is here:\n\n" + opened));
    EXPECT_EQ (told->toldOn, editor.get());
    EXPECT_TRUE (editor->keyPressed (juce::KeyPress ('/', juce::ModifierKeys::ctrlModifier, 0), editor.get()));     // without Shift, as some layouts send it

    // A click elsewhere in the window closes the box, which is never modal,
    // and reaches nothing beneath it.
    auto* menuBox = menu->getCallOutBox();
    EXPECT_FALSE (menuBox->isCurrentlyModal (false));
    const auto children = editor->getNumChildComponents();
    auto* elsewhere = editor->getChildComponent (editor->getIndexOfChildComponent (menuBox) - 1);
    ASSERT_EQ (elsewhere->getBounds(), editor->getLocalBounds());
    elsewhere->mouseDown (EditorTest::mouseEvent (*elsewhere, { 5.0f, 5.0f }, { 5.0f, 5.0f }));
    runMessages();
    EXPECT_EQ (std::pair (menu->getCallOutBox(), editor->getNumChildComponents()), std::pair ((juce::CallOutBox*) nullptr, children - 2));

    // The screen opens the browser on the current bank; what it loads shows.
    auto& screen = *editor->getScreen();
    clickScreen (*editor, screen.getRightButton());
    EXPECT_EQ (editor->getBrowserBox(), nullptr);

    clickScreen (*editor, screen);
    juce::Component::SafePointer<juce::CallOutBox> box (editor->getBrowserBox());
    auto* page = editor->getBankPopover()->getPresetPage();
    ASSERT_NE (box, nullptr);
    ASSERT_NE (page, nullptr);
    EXPECT_EQ (page->getBankName(), "Vorlan");
    EXPECT_EQ (page->getParentComponent()->getBounds().withZeroOrigin(), juce::Rectangle<int> (330, 250));
    EXPECT_EQ (std::tuple (box->isParentOf (page), page->isVisible(), editor->getBankPopover()->isVisible()), std::tuple (true, true, false));

    // A preset chosen in the list: the screen and the host's state show it.
    dynamic_cast<BrowserRowCell&> (*page->getList().getComponentForRowNumber (2)).getNameButton().clickCallback (false, 50, 10);
    EXPECT_EQ (screen.getLines(), juce::StringArray (line (2)));
    const auto saved = state();
    EXPECT_TRUE (saved.toString().contains ("<name>" + vorlanPreset (2)->name + "</name>"));
    EXPECT_TRUE (saved.toString().contains ("<bankName>Vorlan</bankName>"));

    // The window closes with the browser open: the box goes along.
    editor.reset();
    EXPECT_FALSE (juce::ModalComponentManager::getInstance()->isModal (box));
    runMessages();
    EXPECT_EQ (box, nullptr);

    // Closed again and again while another thread loads presets, with the
    // menu, a combo box's list and the browser open.
    editor = open (shipped.get());
    const auto looped = state();
    std::atomic<bool> stop { false };
    std::thread host ([&] { while (! stop) restore (looped); });
    for (int i = 0; i < 5; ++i, editor = open (shipped.get()))
    {
        editor->getMenuButton()->triggerClick();
        dynamic_cast<juce::Button*> (editor->getWidgetFor (0))->triggerClick();
        clickScreen (*editor, *editor->getScreen());
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

TEST (EditorFactory, TheProcessorHasAnEditorOnlyFromTheInstalledFactory)
{
    KorvixAudioProcessor::setEditorFactory (nullptr, nullptr);
    {
        KorvixAudioProcessor bare;
        std::unique_ptr<juce::AudioProcessorEditor> none (bare.createEditor());
        EXPECT_EQ (std::pair (bare.hasEditor(), none.get()), std::pair (false, (juce::AudioProcessorEditor*) nullptr));
    }

    KorvixAudioProcessor::setEditorFactory (&KorvixAudioProcessorEditor::create, &KorvixAudioProcessorEditor::prepare);
    KorvixAudioProcessor processor;
    std::unique_ptr<juce::AudioProcessorEditor> editor (processor.createEditor());
    EXPECT_TRUE (processor.hasEditor());
    EXPECT_NE (dynamic_cast<KorvixAudioProcessorEditor*> (editor.get()), nullptr);
    EXPECT_EQ (editor != nullptr ? editor->getAudioProcessor() : nullptr, &processor);
    editor.reset();
    KorvixAudioProcessor::setEditorFactory (nullptr, nullptr);
}
