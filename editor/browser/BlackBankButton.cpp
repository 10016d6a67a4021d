#include "BlackBankButton.h"

#include "ButtonTextColour.h"
#include "PanelPalette.h"
#include "WidgetFont.h"

BlackBankButton::BlackBankButton (const juce::String& text, const juce::String& tooltip, const juce::String& rightTextToUse)
    : juce::TextButton (text, tooltip),
      rightText (rightTextToUse)
{
}

BlackBankButton::~BlackBankButton() = default;

void BlackBankButton::setRightText (const juce::String& text)
{
    rightText = text;
    repaint();
}

void BlackBankButton::mouseUp (const juce::MouseEvent& e)
{
    // The base class clicks from inside mouseUp, so the event's own position
    // is known there; the mouse may be elsewhere by the time of other clicks.
    // The callback may delete this button.
    const juce::Component::SafePointer<BlackBankButton> self (this);
    clickPosition = e.getPosition();
    juce::TextButton::mouseUp (e);

    if (self != nullptr)
        clickPosition.reset();
}

void BlackBankButton::clicked()
{
    const auto position = clickPosition.value_or (juce::Point<int> (-1, -1));

    // A copy, so a callback that replaces or clears itself runs to its end.
    if (auto callback = clickCallback)
        callback (getToggleState(), position.x, position.y);
}

void BlackBankButton::paintButton (juce::Graphics& g, bool isMouseOverButton, bool isButtonDown)
{
    const auto hovered = isMouseOverButton || isButtonDown;
    setColour (buttonColourId, juce::Colour (hovered ? PanelPalette::hover : PanelPalette::raised));
    setColour (buttonOnColourId, findColour (buttonColourId));
    setColour (textColourOffId, juce::Colour (PanelPalette::text));
    setColour (textColourOnId, juce::Colour (PanelPalette::accent));

    PanelPalette::drawRow (g, getLocalBounds(), hovered, getToggleState());

    g.setColour (buttonTextColour (*this));
    g.setFont (widgetFont (15.0f, juce::Font::bold));

    const juce::Rectangle<int> area (7, 0, getWidth() - 14, getHeight());
    g.drawFittedText (getButtonText(), area, juce::Justification::centredLeft, 2, 0.0f);

    if (rightText.isNotEmpty())
        g.drawFittedText (rightText, area, juce::Justification::centredRight, 2, 0.0f);
}
