#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

/** The editor's look: button backgrounds, tick boxes and sliders drawn around
    one shaded round thumb with a soft shadow. It sets no colours of its own:
    every colour comes from the component's colour ids. */
class KorvixLookAndFeel : public juce::LookAndFeel_V3
{
public:
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

    /** Focused, or enabled and under the mouse or pressed. */
    static bool isFocusedOrDragged (const juce::Component& c);

    /** The corner size of a button background of that width and height. */
    static float cornerSize (float width, float height)     { return juce::jmin (juce::jmin (width, height) * 0.45f, 15.0f); }
};
