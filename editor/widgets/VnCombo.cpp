#include "VnCombo.h"

#include "PanelPalette.h"
#include "QmParameter.h"
#include "VnComboCell.h"
#include "WidgetFont.h"

VnCombo::VnCombo (QmParameter* p, const juce::Drawable& e)
    : QmComponent (p),
      SkinnableComponent (e)
{
    if (parameter != nullptr)
        rows = juce::jmax (1, (parameter->steps + columns - 1) / columns);

    cell = getChildDrawableById ("cell");
    cellSelected = getChildDrawableById ("cell_selected");
}

VnCombo::~VnCombo()
{
    // The popup goes with the combo; its list must not call back into it.
    if (auto* list = popupList.getComponent())
        list->setModel (nullptr);
}

int VnCombo::getNumOptions() const noexcept
{
    return parameter != nullptr ? juce::jmax (0, (int) parameter->steps) : 0;
}

juce::String VnCombo::getText() const
{
    return parameter != nullptr ? juce::String (parameter->getText (parameter->value)) : juce::String();
}

void VnCombo::updateFromParameter()
{
    repaint();
}

void VnCombo::paintButton (juce::Graphics& g, bool, bool)
{
    if (element == nullptr)
        return;

    // The element keeps its skin coordinates; it lands on the combo's origin.
    const auto origin = element->getDrawableBounds().getTopLeft();
    element->draw (g, 1.0f, juce::AffineTransform::translation (-origin));

    g.setColour (juce::Colours::white);

    if (cell == nullptr)
    {
        g.setFont (widgetFont (15.0f));
        g.drawFittedText (getText(), getLocalBounds().reduced (3), juce::Justification::centred, 2, 0.0f);
        return;
    }

    const auto cellArea = cell->getDrawableBounds() - origin;
    cell->draw (g, 1.0f, juce::AffineTransform::translation (-origin));
    g.setFont (widgetFont (juce::jmin (15.0f, cellArea.getHeight() * 0.6f)));
    g.drawFittedText (getText(), cellArea.getSmallestIntegerContainer(), juce::Justification::centred, 1, 0.0f);
}

void VnCombo::clicked()
{
    // The list would take the next click in the window, the learn button's
    // too, and learning could not be switched off.
    if (learning)
        return;

    const auto rowHeight = cell != nullptr ? juce::roundToInt (cell->getDrawableBounds().getHeight()) : defaultRowHeight;
    const auto columnWidth = cell != nullptr ? juce::roundToInt (cell->getDrawableBounds().getWidth()) : defaultColumnWidth;

    auto list = std::make_unique<juce::TableListBox> ("LB", this);
    list->setBounds (500, 200, columns * columnWidth + 20,
                     juce::jmin (rows * rowHeight + rowHeight / 2, 9 * rowHeight + rowHeight / 2));
    list->setRowHeight (rowHeight);

    list->setColour (juce::ListBox::backgroundColourId, juce::Colour (PanelPalette::raised));
    list->setColour (juce::ListBox::outlineColourId, juce::Colour (PanelPalette::edge));
    list->setColour (juce::ListBox::textColourId, juce::Colour (PanelPalette::text));

    // No scroll bars; a long list still scrolls with the wheel.
    list->getViewport()->setScrollBarsShown (false, false, true, false);

    auto header = std::make_unique<juce::TableHeaderComponent>();

    for (int column = 1; column <= columns; ++column)
        header->addColumn ({}, column, columnWidth);

    list->setHeader (std::move (header));
    list->setHeaderHeight (6);
    list->setLookAndFeel (&lookAndFeel);
    popupList = list.get();

    if (auto* window = getParentComponent())
        popup.show (std::move (list), getBounds(), *window).setLookAndFeel (&lookAndFeel);
}

juce::Component* VnCombo::refreshComponentForCell (int row, int columnId, bool, juce::Component* existing)
{
    const auto index = optionIndexAt (row, columnId);

    if (! juce::isPositiveAndBelow (index, getNumOptions()))
    {
        delete existing;
        return nullptr;
    }

    const juce::String text (parameter->getOptionText (index));
    auto* comboCell = dynamic_cast<VnComboCell*> (existing);

    // A recycled cell may have stood for another option.
    if (comboCell != nullptr)
        comboCell->setOption (row, columnId, index, text);
    else
    {
        delete existing;
        comboCell = new VnComboCell (row, columnId, index, text, this);
    }

    comboCell->setToggleState (index == parameter->getIndex(), juce::dontSendNotification);
    return comboCell;
}

void VnCombo::chooseOption (int optionIndex)
{
    const auto options = getNumOptions();

    if (options > 1 && juce::isPositiveAndBelow (optionIndex, options))
        setValueByUser ((float) optionIndex / (float) (options - 1));

    popup.dismiss();

    repaint();
}
