#include "SVGProvider.h"

#include "QmDataFolders.h"

#include <atomic>

namespace
{
    juce::CriticalSection& creationLock()
    {
        static juce::CriticalSection lock;
        return lock;
    }

    std::atomic<SVGProvider*> instance { nullptr };
    bool creating = false;
}

SVGProvider::SVGProvider (const juce::File& skinFile)
{
    juce::XmlDocument document (skinFile);

    if (auto svg = document.getDocumentElement())
        if (svg->hasTagName ("svg"))
            root = juce::Drawable::createFromSVG (*svg);
}

SVGProvider::~SVGProvider()
{
    auto* self = this;
    instance.compare_exchange_strong (self, nullptr);
}

SVGProvider* SVGProvider::getInstance()
{
    if (auto* provider = instance.load())
        return provider;

    const juce::ScopedLock sl (creationLock());

    if (instance.load() == nullptr && ! creating)
    {
        creating = true;
        auto* provider = new SVGProvider (QmDataFolders::getResourceFile ("skin/skin.svg"));
        creating = false;
        instance = provider;
    }

    return instance.load();
}

juce::Component* SVGProvider::findElementById (juce::Component* node, const juce::String& name)
{
    if (node == nullptr)
        return nullptr;

    if (node->getComponentID() == name)
        return node;

    for (auto* child : node->getChildren())
        if (auto* found = findElementById (child, name))
            return found;

    return nullptr;
}

std::unique_ptr<juce::Drawable> SVGProvider::getDrawable (const juce::String& name)
{
    if (auto* drawable = dynamic_cast<juce::Drawable*> (findElementById (root.get(), name)))
        return drawable->createCopy();

    return nullptr;
}

std::unique_ptr<juce::Drawable> SVGProvider::getDrawableFitted (const juce::String& name, int width, int height)
{
    auto drawable = getDrawable (name);

    if (drawable != nullptr)
        drawable->setTransformToFit ({ 0.0f, 0.0f, (float) width, (float) height }, juce::RectanglePlacement::stretchToFit);

    return drawable;
}
