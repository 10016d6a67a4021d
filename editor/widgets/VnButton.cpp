#include "VnButton.h"

#include "MidiOverlay.h"
#include "QmParameter.h"

VnButton::VnButton (QmParameter* p, const juce::Drawable& e, int value)
    : QmButton (p, value),
      SkinnableComponent (e)
{
    initialise();
}

VnButton::VnButton (QmParameter* p, const juce::Drawable& e, int value, const juce::String& ownerName, int indexInOwner)
    : QmButton (p, value),
      SkinnableComponent (e, ownerName, indexInOwner)
{
    initialise();
}

void VnButton::initialise()
{
    onImage = getChildImage (1, 1.0f);
    offImage = getChildImage (0, 1.0f);
    state = parameter != nullptr ? optionIndex (*parameter) : 0;
    setBounds (element->getBounds());

    overlay = new MidiOverlay (getLocalBounds(), this);
    addChildComponent (overlay);
}

VnButton::~VnButton()
{
    deleteOverlay();
}

void VnButton::updateFromParameter()
{
    if (parameter != nullptr)
        state = optionIndex (*parameter);

    repaint();
}

void VnButton::paintChild (juce::Graphics& g, int childIndex)
{
    const auto scale = getPixelScale (g);
    const auto image = getChildImage (childIndex, scale);

    if (image.isValid())
        g.drawImageTransformed (image, juce::AffineTransform::scale (1.0f / scale));
}

void VnButton::showOverlayWhileLearning()
{
    if (overlay != nullptr)
        overlay->setVisible (learning);
}

void VnButton::paint (juce::Graphics& g)
{
    paintChild (g, parameter != nullptr ? optionIndex (*parameter) : state);
    showOverlayWhileLearning();
}

void VnButton::clicked()
{
    if (parameter == nullptr)
        return;

    state = (state + 1) % optionCount (*parameter);
    setValueByUser (optionValue (*parameter, state));
}
