#include "KorvixAudioProcessorEditor.h"

#include "BankPopover.h"
#include "KorvixAudioProcessor.h"
#include "MenuPopover.h"
#include "MidiOverlay.h"
#include "QmBankManager.h"
#include "QmComponent.h"
#include "QmDataFolders.h"
#include "QmMidiMapper.h"
#include "QmOscilloscope.h"
#include "QmParameter.h"
#include "QmScreen.h"
#include "QmSynthEngine.h"
#include "SVGProvider.h"
#include "SkinnableComponent.h"
#include "VnButton.h"
#include "VnCombo.h"
#include "VnKnob.h"
#include "VnMeter.h"
#include "VnRadioButton.h"
#include "VnSlider.h"

#include <cmath>

namespace
{
    /** The skin's parameter element kinds, in the order they are looked up. */
    const char* const parameterKinds[] = { "knob_", "button_", "combo_", "radio_", "slider_" };

    /** Without a skin the window still has a size, and stays white. */
    constexpr int emptyWidth = 400, emptyHeight = 300;

    constexpr int defaultFramesPerSecond = 50;
}

juce::AudioProcessorEditor* KorvixAudioProcessorEditor::create (KorvixAudioProcessor& p)
{
    return new KorvixAudioProcessorEditor (p);
}

void KorvixAudioProcessorEditor::prepare()
{
    SVGProvider::getInstance();
}

KorvixAudioProcessorEditor::KorvixAudioProcessorEditor (KorvixAudioProcessor& p, ComponentUIProvider* provider)
    : juce::AudioProcessorEditor (p),
      processor (p)
{
    // Our own look for this window and everything in it (call-out boxes
    // included); the framework's default stays untouched.
    setLookAndFeel (&lookAndFeel);

    if (provider == nullptr)
        provider = SVGProvider::getInstance();

    if (provider != nullptr)
        background = provider->getDrawable ("background");

    if (background != nullptr)
        setSize (juce::jmax (1, background->getWidth()), juce::jmax (1, background->getHeight()));
    else
        setSize (emptyWidth, emptyHeight);

    if (provider != nullptr)
        buildFromSkin (*provider);

    layoutComponents();

    addKeyListener (this);
    setWantsKeyboardFocus (true);

    // The preset browser, created once and shown by a click on the screen.
    bankPopover = std::make_unique<BankPopover> (processor.getBankManager(), &processor);

    // The oscilloscope's frame rate sets the pace when there is one.
    const int framesPerSecond = oscilloscope != nullptr ? oscilloscope->getFrameRate() : defaultFramesPerSecond;

    if (framesPerSecond >= 1)
        startTimer (1000 / framesPerSecond);
}

KorvixAudioProcessorEditor::~KorvixAudioProcessorEditor()
{
    stopTimer();

    // Preset loads go on after the window closes, on any thread: they must
    // not reach the screen. This waits for a load under way.
    if (screen != nullptr)
        if (auto* banks = processor.getBankManager())
            banks->setPresetLoadedCallback (nullptr, nullptr);

    // The host must see the end of a gesture cut short.
    endDrag();

    auto* mapper = QmMidiMapper::getInstance();
    bool targetShownHere = false;

    for (auto* w : widgets)
    {
        if (auto* m = dynamic_cast<QmMidiComponent*> (w))
        {
            targetShownHere = targetShownHere || (m->overlay != nullptr && m->overlay->selected);

            if (mapper != nullptr)
                mapper->unregisterComponent (m);
        }
    }

    // Learning ends with the last window that shows it; a target picked here
    // leaves with this window.
    if (learning && (mapper == nullptr || mapper->getComponents().isEmpty()))
        setLearning (false);
    else if (learning && targetShownHere)
        mapper->setLearnTarget (-1);

    removeKeyListener (this);
    menuPopover.reset();

    closeBrowser();
    bankPopover.reset();
    parameterWidgets.clear();
    widgets.clear();
    background.reset();
    setLookAndFeel (nullptr);
}

//==============================================================================
void KorvixAudioProcessorEditor::buildFromSkin (ComponentUIProvider& provider)
{
    auto* engine = processor.getEngine();
    auto* mapper = QmMidiMapper::getInstance();

    for (int i = 0; engine != nullptr && i < QmParam::count; ++i)
    {
        std::unique_ptr<juce::Drawable> element;
        juce::String kind;

        for (auto* k : parameterKinds)
        {
            element = provider.getDrawable (k + juce::String (i));

            if (element != nullptr)
            {
                kind = k;
                break;
            }
        }

        if (element == nullptr)
            continue;

        auto* widget = createParameterWidget (kind, i, *engine->parameters[i], *element);

        if (widget == nullptr)
            continue;

        widget->setBounds (element->getBounds());

        if (auto* slider = dynamic_cast<juce::Slider*> (widget))
            slider->addListener (this);

        if (auto* learnable = dynamic_cast<QmMidiComponent*> (widget))
        {
            learnable->parameterIndex = i;

            if (mapper != nullptr)
                mapper->registerComponent (learnable);
        }

        if (auto* bound = dynamic_cast<QmComponent*> (widget))
        {
            bound->onUserChange = [this] (QmComponent& w) { reportUserChange (w); };
            parameterWidgets.add (bound);
        }

        widgets.add (widget);
    }

    if (auto element = provider.getDrawable ("vmeter"))
    {
        meter = new VnMeter (*element);
        widgets.add (meter);
    }

    if (auto element = provider.getDrawable ("oscilloscope"))
    {
        oscilloscope = new QmOscilloscope (*element);
        oscilloscope->setBounds (element->getBounds());

        if (auto* shape = dynamic_cast<juce::DrawableShape*> (element.get()))
            if (shape->getFill().isColour())
                oscilloscope->setBackgroundColour (shape->getFill().colour);

        widgets.add (oscilloscope);
    }

    {
        auto element = provider.getDrawable ("action_midilearning");
        learnButton = createActionButton (element.get());
        widgets.add (learnButton);
    }

    {
        auto element = provider.getDrawable ("action_menu");
        menuButton = createActionButton (element.get());
        widgets.add (menuButton);
        menuButton->setClickingTogglesState (false);
    }

    if (auto element = provider.getDrawable ("screen"))
        buildScreen (std::move (element));
}

void KorvixAudioProcessorEditor::buildScreen (std::unique_ptr<juce::Drawable> element)
{
    screen = new QmScreen (*element);
    widgets.add (screen);

    // The arrows take their own clicks; a click elsewhere reaches mouseUp.
    screen->setInterceptsMouseClicks (true, true);
    screen->addMouseListener (this, true);

    auto* banks = processor.getBankManager();

    if (banks == nullptr)
        return;

    // The host's state calls write the current preset on their own thread.
    const juce::ScopedLock sl (banks->getLock());
    auto& properties = processor.getProperties();
    screen->setPreset (banks->findPreset (properties["currentBank"], properties["currentPreset"]));
    screen->setStepCallback (&QmScreen::stepPresetCallback, banks);
    banks->setPresetLoadedCallback (&QmScreen::presetLoadedCallback, screen);
}

juce::Component* KorvixAudioProcessorEditor::createParameterWidget (const juce::String& kind, int index, QmParameter& parameter,
                                                                     const juce::Drawable& element)
{
    // Buttons, radio groups and combo boxes step through options: a parameter
    // with a single option gets none, radio groups and combo boxes need two.
    const bool stepped = parameter.steps >= 2;

    if (kind == "knob_")
        return new VnKnob (&parameter, element);

    if (kind == "button_")
        return parameter.steps != 1 ? new VnButton (&parameter, element, 1) : nullptr;

    if (kind == "combo_")
        return stepped ? new VnCombo (&parameter, element) : nullptr;

    if (kind == "radio_")
        return stepped ? new VnRadioButton (&parameter, element, index) : nullptr;

    if (kind == "slider_")
        return new VnSlider (&parameter, element);

    return nullptr;
}

juce::DrawableButton* KorvixAudioProcessorEditor::createActionButton (const juce::Drawable* element)
{
    if (element == nullptr)
        return new juce::DrawableButton ("Empty button", juce::DrawableButton::ImageOnButtonBackground);

    auto* button = new juce::DrawableButton (element->getComponentID(), juce::DrawableButton::ImageOnButtonBackgroundOriginalSize);

    const auto child = [element] (int index) -> juce::Drawable*
    {
        return index < element->getNumChildComponents() ? dynamic_cast<juce::Drawable*> (element->getChildComponent (index)) : nullptr;
    };

    // normal, over, down, disabled, normal-on, over-on, down-on (copied by the button)
    button->setImages (child (0), nullptr, child (1), nullptr, child (1), nullptr, child (0));
    button->setBounds (element->getBounds());
    button->setClickingTogglesState (true);
    button->addListener (this);
    return button;
}

void KorvixAudioProcessorEditor::layoutComponents()
{
    for (auto* w : widgets)
        addAndMakeVisible (w);
}

juce::Component* KorvixAudioProcessorEditor::getWidgetFor (int parameterIndex) const
{
    for (auto* w : widgets)
        if (auto* m = dynamic_cast<QmMidiComponent*> (w))
            if (m->parameterIndex == parameterIndex)
                return w;

    return nullptr;
}

//==============================================================================
void KorvixAudioProcessorEditor::paint (juce::Graphics& g)
{
    g.fillAll (juce::Colour (0xffffffff));

    if (background == nullptr)
        return;

    const auto scale = SkinnableComponent::getPixelScale (g);
    const auto key = ("background" + juce::String ((int) (scale * 100.0f))).hashCode64();
    backgroundImage = SkinnableComponent::renderToImage (background.get(), scale, key);

    if (backgroundImage.isValid())
        g.drawImageTransformed (backgroundImage, juce::AffineTransform::scale (1.0f / scale), false);
}

void KorvixAudioProcessorEditor::timerCallback()
{
    if (auto* mapper = QmMidiMapper::getInstance())
    {
        // Learning is process-wide: another plug-in window may have switched it.
        if (mapper->isLearnMode() != learning)
            showLearning (mapper->isLearnMode());

        // A binding the mapper could not write is told as a bank change is.
        if (bankPopover != nullptr)
            if (const auto failure = mapper->takeLastFailure(); failure.isNotEmpty())
                bankPopover->getDialogs().inform ("Not saved", failure, this);
    }

    // One update per widget per turn, showing the parameter's latest value.
    for (auto* w : parameterWidgets)
        w->deliverPendingUpdate();

    if (oscilloscope != nullptr)
    {
        oscilloscope->showLatest (processor.getScopeFeed());
        oscilloscope->refreshIfRequested();
    }

    if (meter != nullptr)
    {
        meter->setValue (std::sqrt ((float) std::abs ((double) processor.peakLevel.load())));
        meter->repaint();
    }
}

//==============================================================================
void KorvixAudioProcessorEditor::setLearning (bool shouldLearn)
{
    auto* mapper = QmMidiMapper::getInstance();

    if (mapper != nullptr)
    {
        if (shouldLearn)
        {
            // Another window learning has bindings not yet saved: no reload.
            if (! mapper->isLearnMode())
                mapper->load();

            mapper->setLearnMode (true);
        }
        else
        {
            // A target left selected would bind the next controller as soon
            // as learning is switched on again, with no overlay lit.
            mapper->setLearnMode (false);
            mapper->setLearnTarget (-1);
            mapper->save();
        }
    }

    showLearning (shouldLearn);
}

void KorvixAudioProcessorEditor::showLearning (bool shouldLearn)
{
    learning = shouldLearn;

    if (learnButton != nullptr)
        learnButton->setToggleState (shouldLearn, juce::dontSendNotification);

    for (auto* w : widgets)
    {
        if (auto* m = dynamic_cast<QmMidiComponent*> (w))
        {
            m->learning = shouldLearn;

            if (m->overlay != nullptr && ! shouldLearn)
                m->overlay->selected = false;

            w->repaint();
        }
    }
}

void KorvixAudioProcessorEditor::buttonClicked (juce::Button* button)
{
    if (button == learnButton)
        setLearning (learnButton->getToggleState());

    if (button == menuButton)
        showMenu();
}

void KorvixAudioProcessorEditor::showMenu()
{
    menuPopover = std::make_unique<MenuPopover>();
    menuPopover->callback = [this] (VorlanCommon::Action action) { performMenuAction (action); };

    // The box owns the container; the popover stays ours.
    auto container = std::make_unique<juce::Component>();
    container->setSize (menuPopover->getWidth(), menuPopover->getHeight());
    container->addAndMakeVisible (*menuPopover);

    menuPopover->setCallOutBox (&menuPopup.show (std::move (container), menuButton->getBounds(), *this));
}

void KorvixAudioProcessorEditor::mouseUp (const juce::MouseEvent& e)
{
    // The screen itself, not its arrows: those step presets.
    if (screen != nullptr && e.eventComponent == screen)
        showBrowser();
}

void KorvixAudioProcessorEditor::closeBrowser()
{
    // The box and its container go from the message loop; the popover is ours
    // and leaves them.
    browserPopup.dismiss();
}

void KorvixAudioProcessorEditor::showBrowser()
{
    if (bankPopover == nullptr || screen == nullptr)
        return;

    // The popover lives in one box at a time.
    closeBrowser();

    browserPopup.show (bankPopover->createContainer(), screen->getBounds(), *this);
}

juce::URL KorvixAudioProcessorEditor::getHelpPage()
{
    return juce::URL (QmDataFolders::getResourceFile ("plugins/vorlan/help.html"));
}

void KorvixAudioProcessorEditor::performMenuAction (VorlanCommon::Action action)
{
    if (action == VorlanCommon::Help)
        showHelp();
    else
        processor.runCommand (action);
}

void KorvixAudioProcessorEditor::showHelp()
{
    const auto page = getHelpPage();

    if (openLink != nullptr && openLink (page))
        return;

    if (bankPopover != nullptr)
        bankPopover->getDialogs().inform ("Help", "No web browser could be started. The help page is here:\n\n"
                                                      + page.getLocalFile().getFullPathName(), this);
}

//==============================================================================
void KorvixAudioProcessorEditor::sliderDragStarted (juce::Slider* slider)
{
    auto* widget = dynamic_cast<QmComponent*> (slider);

    if (widget == nullptr || widget->getParameter() == nullptr)
        return;

    // The host hears of the drag once it changes the value: a plain click
    // is no gesture.
    endDrag();
    dragIndex = widget->parameterIndex;

    // The preset screen shows the parameter's text while it is dragged.
    if (screen != nullptr)
    {
        screen->addLine (widget->getParameter()->getText (widget->getParameter()->value));
        dragShowsText = true;
    }
}

void KorvixAudioProcessorEditor::sliderValueChanged (juce::Slider* slider)
{
    auto* widget = dynamic_cast<QmComponent*> (slider);

    if (widget == nullptr || widget->getParameter() == nullptr || dragIndex < 0 || widget->parameterIndex != dragIndex)
        return;

    if (screen != nullptr)
        screen->setLastLine (widget->getParameter()->getText (widget->getParameter()->value));

    if (gestureIndex != dragIndex)
        beginGesture (*widget);

    reportGestureChange (*widget);
}

void KorvixAudioProcessorEditor::sliderDragEnded (juce::Slider* slider)
{
    auto* widget = dynamic_cast<QmComponent*> (slider);

    if (widget != nullptr && widget->parameterIndex == dragIndex)
        endDrag();
}

void KorvixAudioProcessorEditor::beginGesture (QmComponent& widget)
{
    endOpenGesture();
    gestureIndex = widget.parameterIndex;
    processor.beginGesture (gestureIndex);
}

void KorvixAudioProcessorEditor::reportGestureChange (QmComponent& widget)
{
    if (widget.getParameter() != nullptr && widget.parameterIndex == gestureIndex)
        processor.reportGestureChange (gestureIndex, widget.getParameter()->value);
}

void KorvixAudioProcessorEditor::endOpenGesture()
{
    if (gestureIndex < 0)
        return;

    processor.endGesture (gestureIndex);
    gestureIndex = -1;
}

void KorvixAudioProcessorEditor::endDrag()
{
    endOpenGesture();
    dragIndex = -1;

    // Back to the preset line.
    if (dragShowsText && screen != nullptr && ! screen->getLines().isEmpty())
        screen->removeLastLine();

    dragShowsText = false;
}

void KorvixAudioProcessorEditor::reportUserChange (QmComponent& widget)
{
    if (widget.getParameter() == nullptr || widget.parameterIndex < 0)
        return;

    beginGesture (widget);
    reportGestureChange (widget);
    endOpenGesture();
}

//==============================================================================
bool KorvixAudioProcessorEditor::keyPressed (const juce::KeyPress& key, juce::Component*)
{
    const auto modifiers = key.getModifiers();
    const auto code = key.getKeyCode();

    if (code == juce::KeyPress::leftKey || code == juce::KeyPress::rightKey)
    {
        if (modifiers.isShiftDown() || modifiers.isCtrlDown() || modifiers.isAltDown())
            return false;

        if (auto* banks = processor.getBankManager())
            banks->stepPreset (code == juce::KeyPress::leftKey ? -1 : 1);

        return true;
    }

    if (! modifiers.isCtrlDown())
        return false;

    switch (juce::CharacterFunctions::toUpperCase ((juce::juce_wchar) code))
    {
        case 'I':   processor.runCommand (VorlanCommon::Init); return true;
        case 'R':   processor.runCommand (VorlanCommon::Randomize); return true;
        case '/':
        case '?':   showHelp(); return true;
        default:    return false;
    }
}
