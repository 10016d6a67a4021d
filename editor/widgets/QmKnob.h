#pragma once

#include "QmComponent.h"

/** A rotary slider over 0..1 bound to a parameter: it snaps to the options of
    a stepped one, and a bipolar one returns to the middle on double-click. */
class QmKnob : public juce::Slider,
               public QmComponent
{
public:
    /** The parameter is required. */
    explicit QmKnob (QmParameter* parameter);

    void setNormalisedValue (float value) override;
    void updateFromParameter() override;
    void valueChanged() override;
};
