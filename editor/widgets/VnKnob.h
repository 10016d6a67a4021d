#pragma once

#include "QmDropShadower.h"
#include "QmKnob.h"
#include "SkinnableComponent.h"

/** A skinned rotary knob: its whole element turns about the element's
    centre, ±138 degrees from straight up, and casts a drop shadow. */
class VnKnob : public QmKnob,
               public SkinnableComponent
{
public:
    VnKnob (QmParameter* parameter, const juce::Drawable& element);
    ~VnKnob() override;

    void paint (juce::Graphics& g) override;

    /** The element's turn at a value: -138 degrees at 0, none at 0.5. */
    static float angleFor (double value);

    QmDropShadower& getShadower() noexcept                  { return shadower; }

protected:
    void showOverlayWhileLearning();

    QmDropShadower shadower;
};
