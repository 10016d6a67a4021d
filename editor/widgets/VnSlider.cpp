#include "VnSlider.h"

#include "MidiOverlay.h"

VnSliderLookAndFeel::VnSliderLookAndFeel (const juce::Drawable* t, const juce::Drawable* h)
    : track (t != nullptr ? t->createCopy() : nullptr),
      thumb (h != nullptr ? h->createCopy() : nullptr)
{
}

void VnSliderLookAndFeel::drawLinearSliderBackground (juce::Graphics& g, int, int, int, int, float, float, float,
                                                      juce::Slider::SliderStyle, juce::Slider& slider)
{
    if (track != nullptr)
        track->drawAt (g, (float) -slider.getX(), (float) -slider.getY(), 1.0f);
}

void VnSliderLookAndFeel::drawLinearSliderThumb (juce::Graphics& g, int, int, int, int height, float, float, float,
                                                 juce::Slider::SliderStyle, juce::Slider& slider)
{
    if (thumb != nullptr)
        thumb->drawAt (g, (float) -slider.getX(), (float) (-slider.getY() - slider.getValue() * height), 1.0f);
}

//==============================================================================
VnSlider::VnSlider (QmParameter* p, const juce::Drawable& e)
    : VnKnob (p, e)
{
    setSliderStyle (juce::Slider::LinearVertical);
    setSliderSnapsToMousePosition (false);

    auto* track = getChildDrawable (0);
    sliderLookAndFeel = std::make_unique<VnSliderLookAndFeel> (track, getChildDrawable (1));
    setLookAndFeel (sliderLookAndFeel.get());

    // A child's bounds are relative to its element.
    if (track != nullptr)
        setBounds (track->getBounds() + element->getPosition());

    // The knob's overlay is replaced by one over the whole element.
    deleteOverlay();
    overlay = new MidiOverlay ({ 0, 0, element->getWidth(), element->getHeight() }, this);
    addChildComponent (overlay);
}

VnSlider::~VnSlider()
{
    setLookAndFeel (nullptr);
}

void VnSlider::resized()
{
    juce::Slider::resized();

    // The thumb travels the layout's height over the whole range.
    setMouseDragSensitivity (juce::jmax (1, getLookAndFeel().getSliderLayout (*this).sliderBounds.getHeight()));
}

void VnSlider::paint (juce::Graphics& g)
{
    juce::Slider::paint (g);
    showOverlayWhileLearning();
}
