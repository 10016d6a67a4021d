#include "RectangleButtonLookAndFeel.h"

#include "ButtonTextColour.h"

RectangleButtonLookAndFeel::RectangleButtonLookAndFeel() = default;

void RectangleButtonLookAndFeel::drawButtonBackground (juce::Graphics& g, juce::Button& button, const juce::Colour& backgroundColour,
                                                       bool, bool)
{
    const auto colour = backgroundColour.withMultipliedSaturation (button.hasKeyboardFocus (true) ? 1.3f : 0.9f)
                                        .withMultipliedAlpha (button.isEnabled() ? 0.9f : 0.5f);

    const auto w = (float) button.getWidth() - 1.0f;
    const auto h = (float) button.getHeight() - 1.0f;

    if (w > 0.0f && h > 0.0f)
    {
        g.setColour (colour);
        g.fillRect (0.0f, 0.0f, w, h);
    }
}

void RectangleButtonLookAndFeel::drawTextWithin (juce::Graphics& g, juce::TextButton& button, int x, int width,
                                                 juce::Justification textJustification)
{
    g.setFont (getTextButtonFont (button, button.getHeight()));
    g.setColour (buttonTextColour (button));

    const auto yIndent = juce::jmin (4, juce::roundToInt ((float) button.getHeight() * 0.3f));
    g.drawText (button.getButtonText(), x, yIndent, width, button.getHeight() - 2 * yIndent, textJustification, true);
}

void RectangleButtonLookAndFeel::drawButtonText (juce::Graphics& g, juce::TextButton& button, bool, bool)
{
    drawTextWithin (g, button, leftIndent, button.getWidth() - leftIndent - rightIndent, juce::Justification (justification));
}
