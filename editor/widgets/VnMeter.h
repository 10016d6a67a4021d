#pragma once

#include "SkinnableComponent.h"

/** The output level bar, drawn from the skin element "vmeter": child 0 is
    the back, child 1 the bar, child 2 the over-range picture.

    The editor's timer writes the level and repaints; values above 1 show the
    over-range picture over the whole bar area; a bar under half a pixel is
    not drawn. A tall back fills from the bottom, any other from the left. An
    element with fewer than three drawable children draws nothing.
*/
class VnMeter : public SkinnableComponent,
                public juce::Component
{
public:
    explicit VnMeter (const juce::Drawable& element);
    ~VnMeter() override;

    void paint (juce::Graphics& g) override;

    void setValue (float newValue) noexcept     { value = newValue; }
    float getValue() const noexcept             { return value; }

    bool isVertical() const noexcept            { return vertical; }

    /** Where the bar is drawn, in the meter's own coordinates. */
    juce::Rectangle<float> getBarArea() const noexcept  { return barArea; }

private:
    /** The element's top left in skin units: its children's drawable bounds
        are in skin units too. */
    juce::Point<float> origin;

    bool vertical = false;
    float value = 0.0f;
    juce::Drawable* back = nullptr;
    juce::Drawable* bar = nullptr;
    juce::Drawable* overRange = nullptr;
    juce::Rectangle<float> barArea;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (VnMeter)
};
