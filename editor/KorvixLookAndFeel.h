#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

/** The editor's look: button backgrounds, tick boxes and sliders drawn around
    one shaded round thumb with a soft shadow; call-out boxes, message boxes,
    lists, fields and the file browser in the panel's colours and its one
    font family. Every other colour comes from the component's colour ids. */
class KorvixLookAndFeel : public juce::LookAndFeel_V3
{
public:
    KorvixLookAndFeel();

    void drawRoundThumb (juce::Graphics& g, float x, float y, float diameter,
                         juce::Colour colour, float outlineThickness);

    void drawButtonBackground (juce::Graphics& g, juce::Button& button, const juce::Colour& backgroundColour,
                               bool isMouseOverButton, bool isButtonDown) override;

    void drawTickBox (juce::Graphics& g, juce::Component& component, float x, float y, float w, float h,
                      bool ticked, bool isEnabled, bool isMouseOverButton, bool isButtonDown) override;

    void drawLinearSliderThumb (juce::Graphics& g, int x, int y, int width, int height,
                                float sliderPos, float minSliderPos, float maxSliderPos,
                                juce::Slider::SliderStyle style, juce::Slider& slider) override;

    void drawLinearSliderBackground (juce::Graphics& g, int x, int y, int width, int height,
                                     float sliderPos, float minSliderPos, float maxSliderPos,
                                     juce::Slider::SliderStyle style, juce::Slider& slider) override;

    void drawLinearSlider (juce::Graphics& g, int x, int y, int width, int height,
                           float sliderPos, float minSliderPos, float maxSliderPos,
                           juce::Slider::SliderStyle style, juce::Slider& slider) override;

    void drawRotarySlider (juce::Graphics& g, int x, int y, int width, int height, float sliderPos,
                           float rotaryStartAngle, float rotaryEndAngle, juce::Slider& slider) override;

    /** An opaque charcoal panel with a thin edge, as the skin's groups,
        instead of the framework's translucent grey box with its white rim. */
    void drawCallOutBoxBackground (juce::CallOutBox& box, juce::Graphics& g, const juce::Path& path,
                                   juce::Image& cachedImage) override;

    /** The message box on the panel's colours, its warning sign in the
        accent and inside the box (the framework's sticks out of its corner). */
    void drawAlertBox (juce::Graphics& g, juce::AlertWindow& alert, const juce::Rectangle<int>& textArea,
                       juce::TextLayout& textLayout) override;

    /** The framework's row without its black icons and dark grey details,
        which vanish on a dark list, in the panel's font. */
    void drawFileBrowserRow (juce::Graphics& g, int width, int height, const juce::File& file,
                             const juce::String& filename, juce::Image* icon, const juce::String& fileSizeDescription,
                             const juce::String& fileTimeDescription, bool isDirectory, bool isItemSelected,
                             int itemIndex, juce::DirectoryContentsDisplayComponent& display) override;

    // The panel's font family wherever the framework draws text.
    juce::Font getTextButtonFont (juce::TextButton& button, int buttonHeight) override;
    juce::Font getAlertWindowTitleFont() override;
    juce::Font getAlertWindowMessageFont() override;
    juce::Font getAlertWindowFont() override;
    juce::Font getLabelFont (juce::Label& label) override;
    juce::Font getComboBoxFont (juce::ComboBox& box) override;
    juce::Font getPopupMenuFont() override;
    juce::AttributedString createFileChooserHeaderText (const juce::String& title, const juce::String& instructions) override;

    /** Focused, or enabled and under the mouse or pressed. */
    static bool isFocusedOrDragged (const juce::Component& c);

    /** The corner size of a button background of that width and height. */
    static float cornerSize (float width, float height)     { return juce::jmin (juce::jmin (width, height) * 0.45f, 15.0f); }
};
