#include "KorvixLookAndFeel.h"

#include "PanelPalette.h"
#include "WidgetFont.h"

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

KorvixLookAndFeel::KorvixLookAndFeel()
{
    PanelPalette::apply (*this);
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
    g.setColour (juce::Colour (PanelPalette::raised));
    g.fillPath (path);
    g.setColour (juce::Colour (PanelPalette::edge));
    g.strokePath (path, juce::PathStrokeType (1.0f));
}

void KorvixLookAndFeel::drawAlertBox (juce::Graphics& g, juce::AlertWindow& alert, const juce::Rectangle<int>& textArea,
                                      juce::TextLayout& textLayout)
{
    g.fillAll (alert.findColour (juce::AlertWindow::backgroundColourId));
    g.setColour (alert.findColour (juce::AlertWindow::outlineColourId));
    g.drawRect (alert.getLocalBounds());

    auto text = textArea.toFloat();

    if (alert.getAlertType() != juce::MessageBoxIconType::NoIcon)
    {
        // A sign that fits beside the text's first lines, with the mark cut out.
        const auto size = juce::jmin (36.0f, text.getHeight());
        const auto sign = text.removeFromLeft (size).withHeight (size);
        text.removeFromLeft (12.0f);

        juce::Path icon;

        if (alert.getAlertType() == juce::MessageBoxIconType::WarningIcon)
            icon.addTriangle (sign.getCentreX(), sign.getY(), sign.getRight(), sign.getBottom(), sign.getX(), sign.getBottom());
        else
            icon.addEllipse (sign);

        icon = icon.createPathWithRoundedCorners (3.0f);

        const auto mark = alert.getAlertType() == juce::MessageBoxIconType::InfoIcon ? "i"
                        : alert.getAlertType() == juce::MessageBoxIconType::WarningIcon ? "!" : "?";
        juce::GlyphArrangement glyphs;
        glyphs.addFittedText (widgetFont (size * 0.6f, juce::Font::bold), mark, sign.getX(), sign.getY() + size * 0.15f,
                              sign.getWidth(), size * 0.85f, juce::Justification::centred, 1);
        glyphs.createPath (icon);
        icon.setUsingNonZeroWinding (false);

        g.setColour (juce::Colour (PanelPalette::accent));
        g.fillPath (icon);
    }

    g.setColour (alert.findColour (juce::AlertWindow::textColourId));
    textLayout.draw (g, text);
}

void KorvixLookAndFeel::drawFileBrowserRow (juce::Graphics& g, int width, int height, const juce::File&,
                                            const juce::String& filename, juce::Image* icon,
                                            const juce::String& fileSizeDescription, const juce::String& fileTimeDescription,
                                            bool isDirectory, bool isItemSelected, int,
                                            juce::DirectoryContentsDisplayComponent& display)
{
    auto* list = dynamic_cast<juce::Component*> (&display);
    const auto colour = [&] (int id) { return list != nullptr ? list->findColour (id) : findColour (id); };

    if (isItemSelected)
        g.fillAll (colour (juce::DirectoryContentsDisplayComponent::highlightColourId));

    const int x = 32;
    const juce::Rectangle<float> iconArea (2.0f, 2.0f, (float) x - 4.0f, (float) height - 4.0f);
    const auto placement = juce::RectanglePlacement::centred | juce::RectanglePlacement::onlyReduceInSize;

    if (icon != nullptr && icon->isValid())
        g.drawImageWithin (*icon, 2, 2, x - 4, height - 4, placement, false);
    else if (auto* picture = isDirectory ? getDefaultFolderImage() : getDefaultDocumentFileImage())
        picture->drawWithin (g, iconArea, placement, 1.0f);

    const auto textColour = colour (isItemSelected ? juce::DirectoryContentsDisplayComponent::highlightedTextColourId
                                                   : juce::DirectoryContentsDisplayComponent::textColourId);
    g.setColour (textColour);
    g.setFont (widgetFont ((float) height * 0.65f));

    if (width <= 450 || isDirectory)
    {
        g.drawFittedText (filename, x, 0, width - x, height, juce::Justification::centredLeft, 1);
        return;
    }

    const auto sizeX = juce::roundToInt ((float) width * 0.7f);
    const auto dateX = juce::roundToInt ((float) width * 0.8f);
    g.drawFittedText (filename, x, 0, sizeX - x, height, juce::Justification::centredLeft, 1);

    g.setFont (widgetFont ((float) height * 0.5f));
    g.setColour (isItemSelected ? textColour : juce::Colour (PanelPalette::subtle));
    g.drawFittedText (fileSizeDescription, sizeX, 0, dateX - sizeX - 8, height, juce::Justification::centredRight, 1);
    g.drawFittedText (fileTimeDescription, dateX, 0, width - 8 - dateX, height, juce::Justification::centredRight, 1);
}

juce::Font KorvixLookAndFeel::getTextButtonFont (juce::TextButton&, int buttonHeight)
{
    return widgetFont (juce::jmin (15.0f, (float) buttonHeight * 0.6f));
}

juce::Font KorvixLookAndFeel::getAlertWindowTitleFont()     { return widgetFont (17.0f, juce::Font::bold); }
juce::Font KorvixLookAndFeel::getAlertWindowMessageFont()   { return widgetFont (15.0f); }
juce::Font KorvixLookAndFeel::getAlertWindowFont()          { return widgetFont (13.0f); }
juce::Font KorvixLookAndFeel::getPopupMenuFont()            { return widgetFont (15.0f); }

juce::AttributedString KorvixLookAndFeel::createFileChooserHeaderText (const juce::String& title, const juce::String& instructions)
{
    juce::AttributedString s;
    s.setJustification (juce::Justification::centred);
    const auto colour = findColour (juce::FileChooserDialogBox::titleTextColourId);
    s.append (title + "\n\n", widgetFont (17.0f, juce::Font::bold), colour);
    s.append (instructions, widgetFont (14.0f), colour);
    return s;
}

juce::Font KorvixLookAndFeel::getLabelFont (juce::Label& label)
{
    return widgetFont (label.getFont().getHeight(), label.getFont().getStyleFlags());
}

juce::Font KorvixLookAndFeel::getComboBoxFont (juce::ComboBox& box)
{
    return widgetFont (juce::jmin (15.0f, (float) box.getHeight() * 0.85f));
}
