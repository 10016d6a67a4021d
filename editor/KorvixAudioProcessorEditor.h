#pragma once

#include "CallOutPopup.h"
#include "KeyboardKeeper.h"
#include "KorvixLookAndFeel.h"
#include "VorlanCommon.h"
#include "WebPageLauncher.h"

#include <juce_audio_processors/juce_audio_processors.h>

#include <functional>
#include <memory>

class BankPopover;
class ComponentUIProvider;
class KorvixAudioProcessor;
class MenuPopover;
class QmComponent;
class QmOscilloscope;
class QmParameter;
class QmScreen;
class VnMeter;

/** The plug-in's window, drawn entirely from the skin: it takes its size from
    the "background" element, builds one widget per skin element that names a
    parameter ("knob_", "button_", "combo_", "radio_", "slider_" + index) or a
    fixed role, delivers the widgets' parameter updates from its timer, reports
    the user's gestures to the host, switches MIDI learn and handles the keys.

    Everything here runs on the message thread. The widgets learn of parameter
    changes through an atomic flag that any thread may raise; the timer
    delivers the updates.
*/
class KorvixAudioProcessorEditor : public juce::AudioProcessorEditor,
                                   public juce::Timer,
                                   private juce::Button::Listener,
                                   private juce::Slider::Listener,
                                   private juce::KeyListener
{
public:
    /** A null provider means the process-wide skin. */
    explicit KorvixAudioProcessorEditor (KorvixAudioProcessor& processor, ComponentUIProvider* provider = nullptr);
    ~KorvixAudioProcessorEditor() override;

    /** The factory and the preparation the plug-in hands to the processor. */
    static juce::AudioProcessorEditor* create (KorvixAudioProcessor& processor);
    static void prepare();

    void paint (juce::Graphics& g) override;
    void resized() override                                 {}
    void mouseUp (const juce::MouseEvent& e) override;
    void focusOfChildComponentChanged (FocusChangeType) override    { keyboardKeeper.windowFocusChanged(); }

    /** Builds every widget the skin names, then the fixed roles. */
    void buildFromSkin (ComponentUIProvider& provider);

    /** A two-picture button from an element (children 0 and 1), toggling on
        click; null element: an unplaced "Empty button". */
    juce::DrawableButton* createActionButton (const juce::Drawable* element);

    /** Adds every widget as a visible child, in creation order. */
    void layoutComponents();

    void performMenuAction (VorlanCommon::Action action);

    /** Switches MIDI learn on (reloading the map first, unless another window
        is learning) or off (saving it). */
    void setLearning (bool shouldLearn);

    //==============================================================================
    const juce::OwnedArray<juce::Component>& getWidgets() const noexcept   { return widgets; }

    /** The widget built for a parameter index, or null. */
    juce::Component* getWidgetFor (int parameterIndex) const;

    juce::DrawableButton* getLearnButton() const noexcept   { return learnButton; }
    juce::DrawableButton* getMenuButton() const noexcept    { return menuButton; }
    QmScreen* getScreen() const noexcept                    { return screen; }
    VnMeter* getMeter() const noexcept                      { return meter; }
    QmOscilloscope* getOscilloscope() const noexcept        { return oscilloscope; }
    MenuPopover* getMenuPopover() const noexcept            { return menuPopover.get(); }
    BankPopover* getBankPopover() const noexcept            { return bankPopover.get(); }
    juce::CallOutBox* getBrowserBox() const noexcept        { return browserPopup.getBox(); }

    /** Opens the preset browser in a call-out box over the screen. */
    void showBrowser();
    void closeBrowser();
    KorvixLookAndFeel& getKorvixLookAndFeel() noexcept      { return lookAndFeel; }

    /** The timer's turn: the process-wide learn mode, a box when the MIDI map
        could not be saved, pending widget updates, meter and oscilloscope. */
    void timerCallback() override;

    bool keyPressed (const juce::KeyPress& key, juce::Component* originatingComponent) override;

    /** Opens a link, false when no browser could be started; the default
        launches the desktop's browser. */
    std::function<bool (const juce::URL&)> openLink = &WebPageLauncher::open;

    /** The help page shipped with the installed resources, by its file URL. */
    static juce::URL getHelpPage();

private:
    void buttonClicked (juce::Button* button) override;
    void sliderValueChanged (juce::Slider* slider) override;
    void sliderDragStarted (juce::Slider* slider) override;
    void sliderDragEnded (juce::Slider* slider) override;

    /** The widget for skin element kind + index, or null (the kinds that
        come later, or a parameter the kind cannot show). */
    juce::Component* createParameterWidget (const juce::String& kind, int index, QmParameter& parameter,
                                            const juce::Drawable& element);

    /** A user's gesture on a widget's parameter, as the host sees it; one
        gesture at a time, a new one ends any still open. */
    void beginGesture (QmComponent& widget);
    void reportGestureChange (QmComponent& widget);
    void endOpenGesture();

    /** Ends a slider's drag: its gesture, if it changed anything, and its
        line on the screen. */
    void endDrag();

    /** A click or choice: begin, change and end at once. */
    void reportUserChange (QmComponent& widget);

    /** The learn button and the widgets' overlays, without touching the mapper. */
    void showLearning (bool shouldLearn);

    void buildScreen (std::unique_ptr<juce::Drawable> element);
    void showMenu();

    /** The help page in the browser, or, where none starts, a box telling where it is. */
    void showHelp();

    KorvixAudioProcessor& processor;
    KorvixLookAndFeel lookAndFeel;
    juce::OwnedArray<juce::Component> widgets;
    juce::Array<QmComponent*> parameterWidgets;
    QmOscilloscope* oscilloscope = nullptr;
    VnMeter* meter = nullptr;
    QmScreen* screen = nullptr;
    std::unique_ptr<juce::Drawable> background;
    juce::Image backgroundImage;
    juce::DrawableButton* learnButton = nullptr;
    juce::DrawableButton* menuButton = nullptr;
    std::unique_ptr<MenuPopover> menuPopover;
    std::unique_ptr<BankPopover> bankPopover;
    CallOutPopup menuPopup, browserPopup;
    KeyboardKeeper keyboardKeeper { *this };
    int gestureIndex = -1, dragIndex = -1;
    bool dragShowsText = false;
    bool learning = false;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (KorvixAudioProcessorEditor)
};
