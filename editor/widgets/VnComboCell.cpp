#include "VnComboCell.h"

#include "PanelPalette.h"
#include "VnCombo.h"

VnComboCell::VnComboCell (int r, int c, int index, const juce::String& text, VnCombo* comboOwner)
    : owner (comboOwner)
{
    setClickingTogglesState (true);

    for (auto id : { buttonColourId, buttonOnColourId })
        setColour (id, juce::Colour (PanelPalette::raised));

    setColour (textColourOffId, juce::Colour (PanelPalette::text));
    setColour (textColourOnId, juce::Colour (PanelPalette::accent));

    setOption (r, c, index, text);
}

void VnComboCell::setOption (int r, int c, int index, const juce::String& text)
{
    row = r;
    column = c;
    optionIndex = index;
    setButtonText (text);
}

void VnComboCell::clicked()
{
    // The combo may have gone while its popup stayed open.
    if (auto* combo = dynamic_cast<VnCombo*> (owner.getComponent()))
        combo->chooseOption (optionIndex);
}
