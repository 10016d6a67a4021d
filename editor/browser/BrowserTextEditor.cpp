#include "BrowserTextEditor.h"

BrowserTextEditor::~BrowserTextEditor()
{
    stopWatching();
}

void BrowserTextEditor::focusGained (FocusChangeType cause)
{
    juce::TextEditor::focusGained (cause);

    if (! watching)
        juce::Desktop::getInstance().addFocusChangeListener (this);

    watching = true;
}

void BrowserTextEditor::focusLost (FocusChangeType cause)
{
    stopWatching();
    juce::TextEditor::focusLost (cause);
}

void BrowserTextEditor::stopWatching()
{
    if (watching)
        juce::Desktop::getInstance().removeFocusChangeListener (this);

    watching = false;
}

void BrowserTextEditor::globalFocusChanged (juce::Component* focused)
{
    if (hasKeyboardFocus (false))
        return;

    stopWatching();

    // Taken without a focus loss: only the window's hand-back to the component
    // it remembered does that, once the window has the X focus again.
    auto* peer = getPeer();

    if (focused == nullptr || ! isShowing() || peer == nullptr || focused != peer->getLastFocusedSubcomponent()
         || ! peer->isFocused())
        return;

    grabKeyboardFocus();
}
