#pragma once

#include "KorvixLookAndFeel.h"
#include "VnKnob.h"

/** Draws a skinned fader: the track where the skin places it, the thumb
    risen from its skin position by the value times the travel. */
class VnSliderLookAndFeel : public KorvixLookAndFeel
{
public:
    /** Either may be null: that part is not drawn. */
    VnSliderLookAndFeel (const juce::Drawable* track, const juce::Drawable* thumb);

    void drawLinearSliderBackground (juce::Graphics& g, int x, int y, int width, int height,
                                     float sliderPos, float minSliderPos, float maxSliderPos,
                                     juce::Slider::SliderStyle style, juce::Slider& slider) override;

    void drawLinearSliderThumb (juce::Graphics& g, int x, int y, int width, int height,
                                float sliderPos, float minSliderPos, float maxSliderPos,
                                juce::Slider::SliderStyle style, juce::Slider& slider) override;

private:
    std::unique_ptr<juce::Drawable> track, thumb;
};

/** A skinned vertical fader: child 0 of its element is the track, child 1
    the thumb, placed by the skin at the bottom of its travel. A click leaves
    it where it is; a drag moves the thumb as far as the pointer moves. */
class VnSlider : public VnKnob
{
public:
    VnSlider (QmParameter* parameter, const juce::Drawable& element);
    ~VnSlider() override;

    void paint (juce::Graphics& g) override;
    void resized() override;

private:
    std::unique_ptr<VnSliderLookAndFeel> sliderLookAndFeel;
};
