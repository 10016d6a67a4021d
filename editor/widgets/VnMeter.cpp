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

    if (! area.isEmpty())
        bar->drawWithin (g, area, juce::RectanglePlacement::stretchToFit, 1.0f);
}
