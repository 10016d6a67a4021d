#include "VnMeter.h"

VnMeter::VnMeter (const juce::Drawable& e)
    : SkinnableComponent (e)
{
    setBounds (e.getBounds());
    origin = e.getDrawableBounds().getTopLeft();

    back = getChildDrawable (0);
    bar = getChildDrawable (1);
    overRange = getChildDrawable (2);

    if (back == nullptr || bar == nullptr || overRange == nullptr)
    {
        back = bar = overRange = nullptr;
        return;
    }

    vertical = back->getHeight() > back->getWidth();
    barArea = bar->getDrawableBounds() - origin;
}

VnMeter::~VnMeter() = default;

void VnMeter::paint (juce::Graphics& g)
{
    if (back == nullptr)
        return;

    back->draw (g, 1.0f, juce::AffineTransform::translation (-origin));

    if (value > 1.0f)
    {
        overRange->drawWithin (g, barArea, juce::RectanglePlacement::stretchToFit, 1.0f);
        return;
    }

    const auto level = juce::jmax (0.0f, value);
    auto area = barArea;

    if (vertical)
        area = area.withTop (area.getY() + (1.0f - level) * barArea.getHeight()).withHeight (level * barArea.getHeight());
    else
        area = area.withWidth (level * barArea.getWidth());

    // A bar under half a pixel would not show, and stretching the drawable
    // into it would scale by next to nothing, beyond what the clip arithmetic
    // holds in ints.
    const auto pixels = (vertical ? area.getHeight() : area.getWidth()) * g.getInternalContext().getPhysicalPixelScaleFactor();

    if (! area.isEmpty() && pixels >= 0.5f)
        bar->drawWithin (g, area, juce::RectanglePlacement::stretchToFit, 1.0f);
}
