#include "VnRadioButton.h"

#include "MidiOverlay.h"
#include "QmParameter.h"

VnRadioButtonElement::VnRadioButtonElement (QmParameter* p, const juce::Drawable& e, int k, const juce::String& groupName)
    : VnButton (p, e, k, groupName, k)
{
}

void VnRadioButtonElement::paint (juce::Graphics& g)
{
    paintChild (g, getToggleState() ? 1 : 0);
    showOverlayWhileLearning();
}

//==============================================================================
VnRadioButton::VnRadioButton (QmParameter* p, const juce::Drawable& e, int groupId)
    : QmComponent (p),
      SkinnableComponent (e)
{
    setBounds (element->getBounds());

    const int steps = p != nullptr ? p->steps : 0;

    for (int k = 0; k < steps; ++k)
    {
        if (auto* child = getChildDrawable (k))
        {
            auto* choice = choices.add (new VnRadioButtonElement (p, *child, k, cacheName));
            choice->setRadioGroupId (groupId, juce::dontSendNotification);
            choice->setClickingTogglesState (true);
            choice->setBounds (child->getBounds());
            choice->onUserChange = [this] (QmComponent&) { if (onUserChange != nullptr) onUserChange (*this); };
            addAndMakeVisible (choice);
        }
    }

    // Each choice installed itself while it was built; the group's must be last.
    installCallback();
    showOption();

    overlay = new MidiOverlay (getLocalBounds(), this);
    placeOverlay();
}

void VnRadioButton::placeOverlay()
{
    if (overlay == nullptr)
        return;

    auto* parent = getParentComponent();
    auto* holder = parent != nullptr ? parent : static_cast<juce::Component*> (this);

    if (overlay->getParentComponent() != holder)
        holder->addChildComponent (overlay);

    overlay->badgeStrip = parent != nullptr ? badgeHeight : 0;
    overlay->setBounds (parent != nullptr ? getBounds().withTrimmedBottom (-badgeHeight) : getLocalBounds());
}

VnRadioButton::~VnRadioButton()
{
    deleteOverlay();

    while (! choices.isEmpty())
        choices.removeLast();
}

void VnRadioButton::showOption()
{
    const int index = parameter != nullptr ? parameter->getIndex() : -1;

    for (auto* choice : choices)
        choice->setToggleState (choice->buttonValue == index, juce::dontSendNotification);
}

void VnRadioButton::updateFromParameter()
{
    showOption();
}

void VnRadioButton::paint (juce::Graphics&)
{
    if (overlay != nullptr)
        overlay->setVisible (learning);
}
