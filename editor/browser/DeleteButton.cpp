#include "DeleteButton.h"

#include "ButtonTextColour.h"
#include "PanelPalette.h"
#include "WidgetFont.h"

DeleteButton::DeleteButton (const juce::String& text, const juce::String& tooltip)
    : BlackBankButton (text, tooltip, {})
{
}

DeleteButton::~DeleteButton() = default;

void DeleteButton::paintButton (juce::Graphics& g, bool, bool)
{
    setColour (textColourOffId, juce::Colour (PanelPalette::accent));
    setColour (textColourOnId, juce::Colour (PanelPalette::accent));

    g.setFont (widgetFont (17.0f, juce::Font::bold));
    g.setColour (buttonTextColour (*this));
    g.drawFittedText (getButtonText(), { 5, 0, getWidth() - 10, getHeight() },
                      juce::Justification::centredLeft, 2, 0.0f);
}
