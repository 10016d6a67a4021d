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

void MidiOverlay::paint (juce::Graphics& g)
{
    const auto fill = selected ? juce::Colour (0xff8a2be2) : juce::Colour (0xff000000);
    g.setColour (fill.withAlpha (0.6f));
    g.fillRoundedRectangle (getLocalBounds().toFloat(), 3.0f);

    const auto parameterIndex = component != nullptr ? component->parameterIndex : -1;
    const auto text = controllerText (QmMidiMapper::getInstance()->getControllerForParameter (parameterIndex));

    const auto area = getLocalBounds().withSizeKeepingCentre (getWidth() - 2, getHeight());

    if (g.getCurrentFont().getHeight() > (float) area.getHeight())
    {
        auto font = g.getCurrentFont();
        font.setHeight ((float) area.getHeight());
        g.setFont (font);
    }

    // The number on a solid badge: over a radio group it would otherwise
    // run into the label of the choice beneath it.
    const auto font = g.getCurrentFont();
    const auto badge = juce::Rectangle<float> (font.getStringWidthFloat (text) + 8.0f, font.getHeight() + 2.0f)
                           .withCentre (area.toFloat().getCentre())
                           .getIntersection (getLocalBounds().toFloat());
    g.setColour (fill.withAlpha (0.9f));
    g.fillRoundedRectangle (badge, 3.0f);

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
