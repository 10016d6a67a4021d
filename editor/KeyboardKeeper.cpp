#include "KeyboardKeeper.h"

KeyboardKeeper::KeyboardKeeper (juce::Component& w)
    : window (w)
{
    window.addMouseListener (this, true);
    juce::Desktop::getInstance().addFocusChangeListener (this);
}

KeyboardKeeper::~KeyboardKeeper()
{
    juce::Desktop::getInstance().removeFocusChangeListener (this);
    window.removeMouseListener (this);
}

void KeyboardKeeper::windowFocusChanged()
{
    // The keyboard left the window with the X focus: the framework remembered
    // who had it and hands it back once the X focus returns.
    auto* peer = window.getPeer();

    if (! window.hasKeyboardFocus (true) && peer != nullptr && ! peer->isFocused())
    {
        awaitingHandBack = true;
        clicked = nullptr;
    }
}

void KeyboardKeeper::rememberFocus()
{
    // Called after the clicked component's own handlers, which may have
    // opened a box or a field that took the keyboard.
    if (awaitingHandBack)
        clicked = juce::Component::getCurrentlyFocusedComponent();
}

void KeyboardKeeper::globalFocusChanged (juce::Component* focused)
{
    auto* peer = window.getPeer();

    if (! awaitingHandBack || focused == nullptr || peer == nullptr || ! peer->isFocused())
        return;

    // Without a remembered component on the screen (the window itself then),
    // the framework hands nothing back.
    auto* remembered = peer->getLastFocusedSubcomponent();

    if (remembered == &peer->getComponent())
    {
        awaitingHandBack = false;
        return;
    }

    if (focused != remembered)
        return;

    awaitingHandBack = false;

    auto* keeper = clicked.getComponent();
    clicked = nullptr;

    if (keeper != nullptr && keeper != focused && keeper->isShowing() && keeper->getWantsKeyboardFocus()
         && (keeper == &window || window.isParentOf (keeper)))
        keeper->grabKeyboardFocus();
}
