#pragma once

#include "QmButton.h"
#include "SkinnableComponent.h"

/** A skinned button: it shows child k of its element for option k of its
    parameter and steps to the next option on each click (a continuous
    parameter toggles between 0 and 1). */
class VnButton : public QmButton,
                 public SkinnableComponent
{
public:
    VnButton (QmParameter* parameter, const juce::Drawable& element, int buttonValue);

    /** A part of another widget (a radio choice), its pictures cached under
        the owner's name and the part's index there. */
    VnButton (QmParameter* parameter, const juce::Drawable& element, int buttonValue,
              const juce::String& ownerName, int indexInOwner);

    ~VnButton() override;

    void updateFromParameter() override;
    void paint (juce::Graphics& g) override;
    void paintButton (juce::Graphics&, bool, bool) override {}
    void clicked() override;

    int getState() const noexcept                           { return state; }

protected:
    /** Draws child k at the display scale; no picture for a missing child. */
    void paintChild (juce::Graphics& g, int childIndex);
    void showOverlayWhileLearning();

    juce::Image offImage, onImage;
    int state = 0;

private:
    void initialise();
};
