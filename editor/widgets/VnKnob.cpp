#include "VnKnob.h"

#include "MidiOverlay.h"

VnKnob::VnKnob (QmParameter* p, const juce::Drawable& e)
    : QmKnob (p),
      SkinnableComponent (e),
      shadower (juce::DropShadow (juce::Colour (0x75000000), 12, { 0, 7 }))
{
    setBounds (element->getBounds());

    overlay = new MidiOverlay (getLocalBounds(), this);
    addChildComponent (overlay);

    setTextBoxStyle (juce::Slider::NoTextBox, false, 0, 0);
    shadower.setOwner (this);
}

VnKnob::~VnKnob()
{
    shadower.setOwner (nullptr);
    deleteOverlay();
}

float VnKnob::angleFor (double value)
{
    return (float) (value * 4.817108631134033 - 2.4085543155670166);
}

void VnKnob::showOverlayWhileLearning()
{
    if (overlay != nullptr)
        overlay->setVisible (learning);
}

void VnKnob::paint (juce::Graphics& g)
{
    const auto b = element->getDrawableBounds();
    const auto t = juce::AffineTransform::rotation (angleFor (getValue()), b.getCentreX(), b.getCentreY())
                       .translated ((float) -getX(), (float) -getY());

    element->draw (g, 1.0f, t);
    showOverlayWhileLearning();
}
