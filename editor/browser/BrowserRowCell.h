#pragma once

#include "BlackBankButton.h"
#include "DeleteButton.h"

#include <functional>
#include <memory>

/** What the rows of the browser's lists share: one wide name button that takes
    every click, with the delete glyph laid over its right end in remove mode.

    A click opens the row's item, or removes it when it lands on the visible
    glyph. The position is the click's own mouse event's, so a click by
    keyboard, which has none, always opens.
*/
class BrowserRowCell : public juce::Component
{
public:
    BrowserRowCell (juce::Rectangle<int> nameBounds, const juce::String& deleteTooltip, int deleteX);
    ~BrowserRowCell() override;

    BlackBankButton& getNameButton() noexcept           { return *nameButton; }
    DeleteButton& getDeleteButton() noexcept            { return *deleteButton; }

protected:
    /** The name button's click runs open or remove, by where it landed. */
    void setRowActions (std::function<void()> open, std::function<void()> remove);

private:
    std::unique_ptr<BlackBankButton> nameButton;
    std::unique_ptr<DeleteButton> deleteButton;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (BrowserRowCell)
};
