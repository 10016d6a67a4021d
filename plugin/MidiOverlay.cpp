#include "MidiOverlay.h"

#include "QmMidiMapper.h"

MidiOverlay::MidiOverlay (juce::Rectangle<int> bounds, QmMidiComponent* c)
    : component (c)
{
    setBounds (bounds);
}

juce::String MidiOverlay::controllerText (int controller)
{
    return controller < 0 ? juce::String ("--") : juce::String::formatted ("%02d", controller);
}

juce::Rectangle<float> MidiOverlay::getBadgeArea (const juce::Font& font) const
{
    const auto text = controllerText (QmMidiMapper::getInstance()->getControllerForParameter (component != nullptr ? component->parameterIndex : -1));
    const auto strip = getLocalBounds().removeFromBottom (juce::jlimit (0, getHeight(), badgeStrip)).toFloat();
    const auto width = font.getStringWidthFloat (text) + 8.0f;

    if (! strip.isEmpty())
        return strip.withSizeKeepingCentre (juce::jmin (width, strip.getWidth()), strip.getHeight());

    return juce::Rectangle<float> (width, font.getHeight() + 2.0f).withCentre (getLocalBounds().toFloat().getCentre())
                                                                  .getIntersection (getLocalBounds().toFloat());
}

void MidiOverlay::paint (juce::Graphics& g)
{
    const auto fill = selected ? juce::Colour (0xff8a2be2) : juce::Colour (0xff000000);
    auto widgetArea = getLocalBounds();
    const auto strip = widgetArea.removeFromBottom (juce::jlimit (0, getHeight(), badgeStrip));
    g.setColour (fill.withAlpha (0.6f));
    g.fillRoundedRectangle (widgetArea.toFloat(), 3.0f);

    const auto parameterIndex = component != nullptr ? component->parameterIndex : -1;
    const auto text = controllerText (QmMidiMapper::getInstance()->getControllerForParameter (parameterIndex));

    const auto area = (strip.isEmpty() ? getLocalBounds() : strip).reduced (1, 0);

    if (g.getCurrentFont().getHeight() > (float) area.getHeight())
    {
        auto font = g.getCurrentFont();
        font.setHeight ((float) area.getHeight());
        g.setFont (font);
    }

    // The number on a solid badge, legible over any picture.
    g.setColour (fill.withAlpha (0.9f));
    g.fillRoundedRectangle (getBadgeArea (g.getCurrentFont()), 3.0f);

    g.setColour (juce::Colour (0xfff5f5f5));
    g.drawFittedText (text, area, juce::Justification::centred, 1, 0.3f);
}

void MidiOverlay::mouseUp (const juce::MouseEvent&)
{
    toggleSelection();
}

void MidiOverlay::toggleSelection()
{
    const auto nowSelected = ! selected;
    auto* mapper = QmMidiMapper::getInstance();

    for (auto* c : mapper->getComponents())
    {
        if (c == component)
        {
            if (c->overlay != nullptr)
            {
                c->overlay->selected = nowSelected;
                c->overlay->repaint();
            }

            mapper->setLearnTarget (nowSelected ? c->parameterIndex : -1);
        }
        else if (c->overlay != nullptr)
        {
            c->overlay->selected = false;
            c->overlay->repaint();
        }
    }

    repaint();
}
