#include "KorvixLookAndFeel.h"

namespace
{
    float saturationFactor (const juce::Component& c)
    {
        return KorvixLookAndFeel::isFocusedOrDragged (c) ? 1.3f : 0.9f;
    }

    juce::PathStrokeType stroke (float thickness)
    {
        return { thickness, juce::PathStrokeType::mitered, juce::PathStrokeType::butt };
    }

    bool isHorizontal (juce::Slider::SliderStyle style)
    {
        return style == juce::Slider::LinearHorizontal || style == juce::Slider::LinearBar
            || style == juce::Slider::TwoValueHorizontal || style == juce::Slider::ThreeValueHorizontal;
    }
}

bool KorvixLookAndFeel::isFocusedOrDragged (const juce::Component& c)
{
    return c.hasKeyboardFocus (false)
        || (c.isEnabled() && (c.isMouseOverOrDragging() || c.isMouseButtonDown()));
}

void KorvixLookAndFeel::drawRoundThumb (juce::Graphics& g, float x, float y, float diameter,
                                        juce::Colour colour, float outlineThickness)
{
    const auto half = outlineThickness * 0.5f;
    juce::Path p;
    p.addEllipse (x + half, y + half, diameter - outlineThickness, diameter - outlineThickness);

    juce::DropShadow (juce::Colour (0xff000000), 1, {}).drawForPath (g, p);

    g.setColour (colour);
    g.fillPath (p);

    g.setColour (colour.brighter (0.4f));
    g.strokePath (p, stroke (outlineThickness));
}

void KorvixLookAndFeel::drawButtonBackground (juce::Graphics& g, juce::Button& button, const juce::Colour& backgroundColour,
                                              bool isMouseOverButton, bool isButtonDown)
{
    auto base = backgroundColour.withMultipliedSaturation (button.hasKeyboardFocus (true) ? 1.3f : 0.9f)
                                .withMultipliedAlpha (button.isEnabled() ? 0.9f : 0.5f);

    if (isButtonDown)
        base = base.contrasting (0.2f);
    else if (isMouseOverButton)
        base = base.contrasting (0.1f);

    const auto width = (float) button.getWidth() - 1.0f;
    const auto height = (float) button.getHeight() - 1.0f;

    if (width <= 0.0f || height <= 0.0f)
        return;

    const auto corner = cornerSize (width, height);
    const auto lineThickness = corner * 0.1f;
    const auto half = lineThickness * 0.5f;

    juce::Path outline;
    outline.addRoundedRectangle (0.5f + half, 0.5f + half, width - lineThickness, height - lineThickness, corner, corner,
                                 ! (button.isConnectedOnLeft() || button.isConnectedOnTop()),
                                 ! (button.isConnectedOnRight() || button.isConnectedOnTop()),
                                 ! (button.isConnectedOnLeft() || button.isConnectedOnBottom()),
                                 ! (button.isConnectedOnRight() || button.isConnectedOnBottom()));

    g.setColour (base);
    g.fillPath (outline);

    if (! button.getToggleState())
    {
        g.setColour (button.findColour (juce::TextButton::textColourOffId, false));
        g.strokePath (outline, stroke (lineThickness));
    }
}

void KorvixLookAndFeel::drawTickBox (juce::Graphics& g, juce::Component& component, float x, float y, float w, float h,
                                     bool ticked, bool isEnabled, bool isMouseOverButton, bool isButtonDown)
{
    const auto boxSize = w * 0.7f;
    const auto colour = component.findColour (juce::TextButton::buttonColourId, false)
                                 .withMultipliedSaturation (saturationFactor (component))
                                 .withMultipliedAlpha (component.isEnabled() ? 1.0f : 0.7f);

    const auto outline = ! isEnabled ? 0.3f : (isButtonDown || isMouseOverButton) ? 1.1f : 0.5f;
    drawRoundThumb (g, x, y + (h - boxSize) * 0.5f, boxSize, colour, outline);

    if (ticked)
    {
        const auto tick = getTickShape (6.0f);
        g.setColour (isEnabled ? findColour (juce::TextButton::buttonOnColourId) : juce::Colour (0xff808080));
        g.fillPath (tick, juce::AffineTransform::scale (w / 9.0f, h / 9.0f).translated (x - 2.5f, y + 1.0f));
    }
}

void KorvixLookAndFeel::drawLinearSliderThumb (juce::Graphics& g, int x, int y, int width, int height,
                                               float sliderPos, float minSliderPos, float maxSliderPos,
                                               juce::Slider::SliderStyle style, juce::Slider& slider)
{
    const auto r = (float) getSliderThumbRadius (slider) - 2.0f;
    const auto knobColour = slider.findColour (juce::Slider::thumbColourId, false)
                                  .withMultipliedSaturation (saturationFactor (slider))
                                  .withMultipliedAlpha (slider.isEnabled() ? 1.0f : 0.7f);

    float centreX, centreY;

    if (style == juce::Slider::LinearHorizontal)
    {
        centreX = sliderPos;
        centreY = (float) y + (float) height * 0.5f;
    }
    else if (style == juce::Slider::LinearVertical)
    {
        centreX = (float) x + (float) width * 0.5f;
        centreY = sliderPos;
    }
    else
    {
        juce::LookAndFeel_V2::drawLinearSliderThumb (g, x, y, width, height, sliderPos, minSliderPos, maxSliderPos, style, slider);
        return;
    }

    drawRoundThumb (g, centreX - r, centreY - r, r * 2.0f, knobColour, slider.isEnabled() ? 0.8f : 0.3f);
}

void KorvixLookAndFeel::drawLinearSliderBackground (juce::Graphics& g, int x, int y, int width, int height,
                                                    float, float, float, juce::Slider::SliderStyle style, juce::Slider& slider)
{
    const auto r = (float) getSliderThumbRadius (slider) - 5.0f;
    const auto p = (float) slider.valueToProportionOfLength (slider.getValue());

    juce::Rectangle<float> on, off;

    if (isHorizontal (style))
    {
        const juce::Rectangle<float> track ((float) x - r * 0.5f, (float) y + (float) height * 0.5f - r * 0.5f, (float) width + r, r);
        off = track;
        on = off.removeFromLeft (track.getWidth() * p);
    }
    else
    {
        const juce::Rectangle<float> track ((float) x + (float) width * 0.5f - r * 0.5f, (float) y - r * 0.5f, r, (float) height + r);
        off = track;
        on = off.removeFromBottom (track.getHeight() * p);
    }

    g.setColour (slider.findColour (juce::Slider::rotarySliderFillColourId));
    g.fillRect (on);
    g.setColour (slider.findColour (juce::Slider::trackColourId));
    g.fillRect (off);
}

void KorvixLookAndFeel::drawLinearSlider (juce::Graphics& g, int x, int y, int width, int height,
                                          float sliderPos, float minSliderPos, float maxSliderPos,
                                          juce::Slider::SliderStyle style, juce::Slider& slider)
{
    g.fillAll (slider.findColour (juce::Slider::backgroundColourId));

    if (style == juce::Slider::LinearBar || style == juce::Slider::LinearBarVertical)
    {
        const auto bar = style == juce::Slider::LinearBar
                           ? juce::Rectangle<float> ((float) x, (float) y, sliderPos - (float) x, (float) height)
                           : juce::Rectangle<float> ((float) x, sliderPos, (float) width, 1.0f + (float) height - sliderPos);

        g.setColour (slider.findColour (juce::Slider::rotarySliderFillColourId)
                           .withMultipliedSaturation (slider.isEnabled() ? 1.0f : 0.5f)
                           .withMultipliedAlpha (0.8f));
        g.fillRect (bar);

        const auto lineThickness = cornerSize ((float) width, (float) height) * 0.1f;
        g.drawRect (slider.getLocalBounds().toFloat(), lineThickness);
        return;
    }

    drawLinearSliderBackground (g, x, y, width, height, sliderPos, minSliderPos, maxSliderPos, style, slider);
    drawLinearSliderThumb (g, x, y, width, height, sliderPos, minSliderPos, maxSliderPos, style, slider);
}

void KorvixLookAndFeel::drawRotarySlider (juce::Graphics& g, int x, int y, int width, int height, float sliderPos,
                                          float rotaryStartAngle, float rotaryEndAngle, juce::Slider& slider)
{
    const auto radius = (float) juce::jmin (width / 2, height / 2);
    const auto centreX = (float) x + (float) width * 0.5f;
    const auto centreY = (float) y + (float) height * 0.5f;
    const juce::Rectangle<float> square (centreX - radius, centreY - radius, radius * 2.0f, radius * 2.0f);
    const auto angle = rotaryStartAngle + sliderPos * (rotaryEndAngle - rotaryStartAngle);

    const auto colour = slider.isEnabled()
                          ? slider.findColour (juce::Slider::rotarySliderFillColourId).withAlpha (slider.isMouseOverOrDragging() ? 1.0f : 0.7f)
                          : juce::Colour (0x80808080);
    g.setColour (colour);

    juce::Path filled;
    filled.addPieSegment (square, rotaryStartAngle, angle, 0.0f);
    g.fillPath (filled);

    juce::Path outline;
    outline.addPieSegment (square, rotaryStartAngle, rotaryEndAngle, 0.0f);
    g.strokePath (outline, stroke (cornerSize ((float) width, (float) height) * 0.1f));
}

void KorvixLookAndFeel::drawCallOutBoxBackground (juce::CallOutBox& box, juce::Graphics& g, const juce::Path& path,
                                                  juce::Image& cachedImage)
{
    if (cachedImage.isNull())
    {
        cachedImage = { juce::Image::ARGB, box.getWidth(), box.getHeight(), true };
        juce::Graphics shadow (cachedImage);
        juce::DropShadow (juce::Colours::black.withAlpha (0.6f), 10, { 0, 3 }).drawForPath (shadow, path);
    }

    g.setColour (juce::Colours::black);
    g.drawImageAt (cachedImage, 0, 0);
    g.setColour (juce::Colour (callOutFill));
    g.fillPath (path);
    g.setColour (juce::Colour (callOutEdge));
    g.strokePath (path, juce::PathStrokeType (1.0f));
}

void KorvixLookAndFeel::colourAlertWindow (juce::AlertWindow& box)
{
    box.setColour (juce::AlertWindow::backgroundColourId, juce::Colour (callOutFill));
    box.setColour (juce::AlertWindow::textColourId, juce::Colour (callOutText));
    box.setColour (juce::AlertWindow::outlineColourId, juce::Colour (callOutEdge));

    for (auto* child : box.getChildren())
    {
        if (auto* button = dynamic_cast<juce::TextButton*> (child))
        {
            button->setColour (juce::TextButton::buttonColourId, juce::Colour (alertButton));
            button->setColour (juce::TextButton::textColourOffId, juce::Colour (callOutText));
        }
    }

    box.repaint();
}
