#include "BrowserRowCell.h"

BrowserRowCell::BrowserRowCell (juce::Rectangle<int> nameBounds, const juce::String& deleteTooltip, int deleteX)
    : nameButton (std::make_unique<BlackBankButton> ("", "", "")),
      deleteButton (std::make_unique<DeleteButton> (juce::CharPointer_UTF8 ("\xc3\x97"), deleteTooltip))
{
    nameButton->setBounds (nameBounds);
    nameButton->setInterceptsMouseClicks (true, false);
    addAndMakeVisible (*nameButton);

    // Clicks on the glyph reach the name button beneath it.
    deleteButton->setBounds (deleteX, 0, 40, 22);
    deleteButton->setInterceptsMouseClicks (false, false);
    nameButton->addChildComponent (*deleteButton);
}

BrowserRowCell::~BrowserRowCell() = default;

void BrowserRowCell::setRowActions (std::function<void()> open, std::function<void()> remove)
{
    nameButton->clickCallback = [this, open = std::move (open), remove = std::move (remove)] (bool, int x, int)
    {
        if (deleteButton->isVisible() && x >= deleteButton->getX())
            remove();
        else
            open();
    };
}
