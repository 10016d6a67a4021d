#pragma once

#include "SkinnableComponent.h"

#include <atomic>

class QmPreset;

/** The small display built from the skin element "screen": one line of text
    over the element's picture (the current preset as "bank / preset", or a
    dragged parameter's value), with two arrows that step to the previous and
    next preset. A click elsewhere on it is the editor's.

    The bank manager reports loaded presets through presetLoadedCallback,
    possibly from a host thread: the text is then posted to the message
    thread, where it is dropped if the screen has gone or a later load has
    already been shown.
*/
class QmScreen : public juce::Component,
                 public SkinnableComponent,
                 public juce::Button::Listener
{
public:
    /** Steps by offset presets and gives the preset stepped to, or null. */
    using StepCallback = QmPreset* (*) (void* context, int offset);

    explicit QmScreen (const juce::Drawable& element);
    ~QmScreen() override;

    /** Replaces the last line, or adds one when there is none; repaints. */
    void setLastLine (const juce::String& text);

    /** Shows "bank / preset"; null shows nothing new. Message thread. */
    void setPreset (const QmPreset* preset);

    /** Lines above the last stay hidden until the last is removed. */
    void addLine (const juce::String& text);
    void removeLastLine();
    const juce::StringArray& getLines() const noexcept      { return lines; }

    /** What the arrows call; without one they do nothing. */
    void setStepCallback (StepCallback callback, void* context);

    /** The bank manager's preset-loaded callback (context: the screen); a
        null preset, after the current one went with none left, empties the
        line. Any thread; it never takes the message manager's lock. */
    static void presetLoadedCallback (void* context, QmPreset* preset);

    /** The arrows' step callback (context: the bank manager). */
    static QmPreset* stepPresetCallback (void* context, int offset);

    /** "bank / preset", the bank empty for a preset in no bank. */
    static juce::String presetText (const QmPreset& preset);

    void paint (juce::Graphics& g) override;
    void buttonClicked (juce::Button* button) override;

    juce::Button& getLeftButton() noexcept                  { return leftButton; }
    juce::Button& getRightButton() noexcept                 { return rightButton; }
    const juce::Image& getArrowImage() const noexcept       { return arrowImage; }
    const juce::Image& getArrowImageRotated() const noexcept { return arrowImageRotated; }

    static constexpr juce::uint32 textColour = 0xfff5f5f5;

private:
    /** Outlives the screen while posted texts are under way. */
    struct Link : public juce::ReferenceCountedObject
    {
        QmScreen* screen = nullptr;     // message thread only
        std::atomic<juce::uint32> latestLoad { 0 };
    };

    juce::StringArray lines;
    StepCallback stepCallback = nullptr;
    void* stepContext = nullptr;
    juce::Image arrowImage;
    juce::Image arrowImageRotated;
    juce::ImageButton leftButton { " < " };
    juce::ImageButton rightButton { " > " };
    const juce::ReferenceCountedObjectPtr<Link> link { new Link() };

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (QmScreen)
};
