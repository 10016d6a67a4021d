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

/** A radio group: each child of the element is the choice of one option.

    Its learn overlay lies over the group in the parent and reaches
    badgeHeight below it, where it shows the controller: every option's
    label stays readable.
*/
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

    void parentHierarchyChanged() override                  { placeOverlay(); }
    void moved() override                                   { placeOverlay(); }
    void resized() override                                 { placeOverlay(); }

    static constexpr int badgeHeight = 14;

    const juce::OwnedArray<VnRadioButtonElement>& getChoices() const noexcept   { return choices; }

private:
    /** Every choice's state set explicitly, without notification: only the
        parameter's option is on. */
    void showOption();

    /** In the parent when there is one, else over the group itself. */
    void placeOverlay();

    juce::OwnedArray<VnRadioButtonElement> choices;
};
