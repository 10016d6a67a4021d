#include "MenuPopover.h"

const std::array<MenuPopover::MenuItem, 3>& MenuPopover::getMenuItems()
{
    static const std::array<MenuItem, 3> items {{
        { "Init",      VorlanCommon::Init,      juce::KeyPress::createFromDescription ("CTRL + I"), "^I" },
        { "Randomize", VorlanCommon::Randomize, juce::KeyPress::createFromDescription ("CTRL + R"), "^R" },
        { "Help",      VorlanCommon::Help,      juce::KeyPress::createFromDescription ("CTRL + ?"), "^?" },
    }};

    return items;
}

MenuPopover::MenuPopover()
{
    // Just the rows: the box shows no empty panel below them.
    setSize (200, 30 * (int) getMenuItems().size() + 1);
    buildItems();
}

MenuPopover::~MenuPopover() = default;

void MenuPopover::buildItems()
{
    const auto& items = getMenuItems();

    for (int row = 0; row < (int) items.size(); ++row)
    {
        const auto& item = items[(size_t) row];
        auto* button = buttons.add (new BlackBankButton (item.label, juce::String (row), item.shortcut));
        button->setBounds (0, 30 * row, 200, 31);
        button->setLookAndFeel (&lookAndFeel);
        button->addListener (this);
        addAndMakeVisible (button);
    }
}

void MenuPopover::buttonClicked (juce::Button* button)
{
    const auto& items = getMenuItems();
    const auto row = button->getTooltip().getIntValue();

    // A copy: the callback may replace this popover.
    if (auto call = callback; call && juce::isPositiveAndBelow (row, (int) items.size()))
        call (items[(size_t) row].action);
}
