#include "QmScreen.h"

#include "QmBankManager.h"
#include "QmDataFolders.h"
#include "QmPreset.h"
#include "WidgetFont.h"

namespace
{
    /** A real copy turned by half a turn about its centre; the null image for
        a missing picture. */
    juce::Image halfTurned (const juce::Image& image)
    {
        if (! image.isValid())
            return {};

        juce::Image turned (juce::Image::ARGB, image.getWidth(), image.getHeight(), true);
        juce::Graphics g (turned);
        g.drawImageTransformed (image, juce::AffineTransform::rotation (3.1415927f, (float) (image.getWidth() / 2),
                                                                         (float) (image.getHeight() / 2)));
        return turned;
    }

    void setArrow (juce::ImageButton& button, const juce::Image& image)
    {
        const juce::Colour overlay (QmScreen::textColour);
        button.setImages (false, false, false, image, 1.0f, overlay, image, 1.0f, overlay, image, 1.0f, overlay, 0.0f);
    }
}

QmScreen::QmScreen (const juce::Drawable& e)
    : SkinnableComponent (e)
{
    link->screen = this;
    setBounds (e.getBounds());

    arrowImage = juce::ImageCache::getFromFile (QmDataFolders::getResourceFile ("buttons_faders/arrow.png"));
    arrowImageRotated = halfTurned (arrowImage);

    setArrow (leftButton, arrowImage);
    setArrow (rightButton, arrowImageRotated);
    leftButton.setBounds (10, 7, 14, 12);
    rightButton.setBounds (24, 7, 14, 12);

    for (auto* button : { &leftButton, &rightButton })
    {
        button->addListener (this);
        addAndMakeVisible (button);
    }
}

QmScreen::~QmScreen()
{
    link->screen = nullptr;
}

void QmScreen::setLastLine (const juce::String& text)
{
    if (lines.isEmpty())
        lines.add (text);
    else
        lines.set (lines.size() - 1, text);

    repaint();
}

void QmScreen::addLine (const juce::String& text)
{
    lines.add (text);
    repaint();
}

void QmScreen::removeLastLine()
{
    lines.remove (lines.size() - 1);
    repaint();
}

juce::String QmScreen::presetText (const QmPreset& preset)
{
    return (preset.bank != nullptr ? preset.bank->name : juce::String()) + " / " + preset.name;
}

void QmScreen::setPreset (const QmPreset* preset)
{
    if (preset != nullptr)
        setLastLine (presetText (*preset));
}

void QmScreen::setStepCallback (StepCallback callback, void* context)
{
    stepCallback = callback;
    stepContext = context;
}

void QmScreen::presetLoadedCallback (void* context, QmPreset* preset)
{
    auto* screen = static_cast<QmScreen*> (context);

    if (screen == nullptr)
        return;

    // The bank manager holds its lock while calling, so the preset (perhaps a
    // temporary one of a restored state) is read now, and the screen cannot be
    // unregistered and deleted meanwhile. Null: nothing is current any more.
    const auto text = preset != nullptr ? presetText (*preset) : juce::String();
    const auto load = ++screen->link->latestLoad;

    if (juce::MessageManager::existsAndIsCurrentThread())
    {
        screen->setLastLine (text);
        return;
    }

    juce::MessageManager::callAsync ([link = screen->link, text, load]
    {
        if (link->screen != nullptr && link->latestLoad.load() == load)
            link->screen->setLastLine (text);
    });
}

QmPreset* QmScreen::stepPresetCallback (void* context, int offset)
{
    auto* bankManager = static_cast<QmBankManager*> (context);
    return bankManager != nullptr ? bankManager->stepPreset (offset) : nullptr;
}

void QmScreen::buttonClicked (juce::Button* button)
{
    if (stepCallback == nullptr)
        return;

    if (button == &leftButton)
        stepCallback (stepContext, -1);
    else if (button == &rightButton)
        stepCallback (stepContext, 1);
}

void QmScreen::paint (juce::Graphics& g)
{
    // The element keeps its skin coordinates; it lands on the screen's origin.
    if (element != nullptr)
        element->draw (g, 1.0f, juce::AffineTransform::translation (-element->getDrawableBounds().getTopLeft()));

    if (lines.isEmpty())
        return;

    g.setColour (juce::Colour (textColour));
    g.setFont (widgetFont (15.0f));
    // Never squashed: a line too long ends in an ellipsis at full size.
    g.drawFittedText (lines[lines.size() - 1], { 45, -1, 150, 30 }, juce::Justification::centredLeft, 1, 1.0f);
}
