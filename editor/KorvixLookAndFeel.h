#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

/** The editor's look: button backgrounds, tick boxes and sliders drawn around
    one shaded round thumb with a soft shadow, and call-out boxes in the
    skin's panel colours. Every other colour comes from the component's
    colour ids. */
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

    /** An opaque charcoal panel with a thin edge, as the skin's groups,
        instead of the framework's translucent grey box with its white rim. */
    void drawCallOutBoxBackground (juce::CallOutBox& box, juce::Graphics& g, const juce::Path& path,
                                   juce::Image& cachedImage) override;

    /** A message box in the same colours: the boxes are windows of their
        own, drawn by the default look-and-feel in its blue-grey. */
    static void colourAlertWindow (juce::AlertWindow& box);

    static constexpr juce::uint32 callOutFill = 0xff2a2c30;
    static constexpr juce::uint32 callOutText = 0xffd3d6db;
    static constexpr juce::uint32 alertButton = 0xff3a3d43;
    static constexpr juce::uint32 callOutEdge = 0xff4a4d54;

    /** Focused, or enabled and under the mouse or pressed. */
    static bool isFocusedOrDragged (const juce::Component& c);

    /** The corner size of a button background of that width and height. */
    static float cornerSize (float width, float height)     { return juce::jmin (juce::jmin (width, height) * 0.45f, 15.0f); }
};
