#pragma once

#include "VnButton.h"

/** One choice of a radio group: child 1 of its element when on, child 0
    when off; a click selects its option through QmButton. */
class VnRadioButtonElement : public VnButton
{
public:
    VnRadioButtonElement (QmParameter* parameter, const juce::Drawable& element, int optionIndex,
                          const juce::String& groupName);

    void paint (juce::Graphics& g) override;
    void clicked() override                                 { QmButton::clicked(); }
    void updateFromParameter() override                     {}
};

/** A radio group: each child of the element is the choice of one option. */
class VnRadioButton : public QmComponent,
                      public SkinnableComponent,
                      public juce::Component
{
public:
    /** The parameter must have at least two options. */
    VnRadioButton (QmParameter* parameter, const juce::Drawable& element, int groupId);
    ~VnRadioButton() override;

    void setNormalisedValue (float) override               {}
    void updateFromParameter() override;
    void paint (juce::Graphics& g) override;

    const juce::OwnedArray<VnRadioButtonElement>& getChoices() const noexcept   { return choices; }

private:
    /** Every choice's state set explicitly, without notification: only the
        parameter's option is on. */
    void showOption();

    juce::OwnedArray<VnRadioButtonElement> choices;
};
