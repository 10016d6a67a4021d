#include "QmMidiMapper.h"

#include "MidiOverlay.h"
#include "QmDataFolders.h"
#include "QmFileWriter.h"
#include "XMLMarshaller.h"

#include <algorithm>

juce::CriticalSection QmMidiMapper::singletonLock;
std::atomic<QmMidiMapper*> QmMidiMapper::instance { nullptr };
bool QmMidiMapper::creating = false;

//==============================================================================
QmMidiMapper::Bindings::Bindings()
{
    parameterToController.fill (noEntry);
    controllerToParameter.fill (-1);
}

int QmMidiMapper::Bindings::parameterFor (int controller) const noexcept
{
    if (controller < 0 || controller >= numControllers)
        return -1;

    return controllerToParameter[(size_t) controller];
}

int QmMidiMapper::Bindings::controllerFor (int parameterIndex) const noexcept
{
    if (parameterIndex < 0 || parameterIndex >= QmParam::count)
        return -1;

    const auto controller = parameterToController[(size_t) parameterIndex];
    return controller == noEntry ? -1 : controller;
}

int QmMidiMapper::Bindings::bind (int controller, int parameterIndex) noexcept
{
    if (controller < 0)
        controller = -1;

    // The controller leaves the parameter it drove (possibly this one).
    const auto previous = parameterFor (controller);

    if (previous != -1)
        parameterToController[(size_t) previous] = -1;

    // The parameter leaves the controller that drove it.
    const auto old = parameterToController[(size_t) parameterIndex];

    if (old >= 0 && old != controller)
        controllerToParameter[(size_t) old] = -1;

    if (controller >= 0)
        controllerToParameter[(size_t) controller] = parameterIndex;

    parameterToController[(size_t) parameterIndex] = controller;
    return previous;
}

//==============================================================================
QmMidiMapper* QmMidiMapper::getInstance()
{
    if (auto* mapper = instance.load())
        return mapper;

    const juce::ScopedLock sl (singletonLock);

    if (instance.load() == nullptr && ! creating)
    {
        creating = true;
        auto* mapper = new QmMidiMapper();
        creating = false;
        instance = mapper;
    }

    return instance.load();
}

QmMidiMapper::QmMidiMapper()
{
    load();
    startTimer (100);
}

QmMidiMapper::~QmMidiMapper()
{
    save();

    auto* self = this;
    instance.compare_exchange_strong (self, nullptr);

    stopTimer();
}

//==============================================================================
int QmMidiMapper::getParameterForController (int controller)
{
    const juce::ScopedLock sl (lock);
    return bindings.parameterFor (controller);
}

void QmMidiMapper::assignController (int controller, int parameterIndex)
{
    if (parameterIndex < 0 || parameterIndex >= QmParam::count || controller >= numControllers)
        return;

    const juce::ScopedLock sl (lock);

    const auto isTarget = [parameterIndex] (QmMidiComponent* c) { return c->parameterIndex == parameterIndex; };

    if (std::none_of (components.begin(), components.end(), isTarget))
        return;

    const auto unbound = bindings.bind (controller, parameterIndex);

    for (auto* c : components)
    {
        if (unbound != -1 && c->parameterIndex == unbound)
        {
            c->controller = -1;
            queueRepaint (c);
        }
    }

    for (auto* c : components)
    {
        if (isTarget (c))
        {
            c->controller = bindings.controllerFor (parameterIndex);
            queueRepaint (c);
        }
    }
}

int QmMidiMapper::getControllerForParameter (int parameterIndex)
{
    const juce::ScopedLock sl (lock);
    return bindings.controllerFor (parameterIndex);
}

//==============================================================================
void QmMidiMapper::registerComponent (QmMidiComponent* component)
{
    if (component == nullptr)
        return;

    const juce::ScopedLock sl (lock);
    components.addIfNotAlreadyThere (component);
    reserveQueue();
}

void QmMidiMapper::unregisterComponent (QmMidiComponent* component)
{
    const juce::ScopedLock sl (lock);
    components.removeFirstMatchingValue (component);
    repaintQueue.removeAllInstancesOf (component);
    reserveQueue();
}

juce::Array<QmMidiComponent*> QmMidiMapper::getComponents()
{
    const juce::ScopedLock sl (lock);
    return components;
}

void QmMidiMapper::reserveQueue()
{
    // Each widget is queued at most once, so this is all the room the audio
    // thread can need.
    repaintQueue.ensureStorageAllocated (components.size());
}

void QmMidiMapper::queueRepaint (QmMidiComponent* component) noexcept
{
    if (! repaintQueue.contains (component))
        repaintQueue.add (component);
}

void QmMidiMapper::timerCallback()
{
    juce::Array<QmMidiComponent*> pending;

    {
        const juce::ScopedLock sl (lock);
        pending.addArray (repaintQueue);
        repaintQueue.clearQuick();
    }

    const juce::MessageManagerLock mml;

    for (auto* c : pending)
        if (c->overlay != nullptr)
            c->overlay->repaint();
}

//==============================================================================
juce::File QmMidiMapper::getMapFile()
{
    return QmDataFolders::getUserDataFolder().getChildFile ("midimapper.mrb");
}

QmMidiMapper::Bindings QmMidiMapper::readMapFile (const juce::File& file)
{
    Bindings loaded;
    juce::FileInputStream stream (file);

    if (! stream.openedOk())
        return loaded;

    const auto root = XMLMarshaller().parse (stream);

    if (root == nullptr || root->getFirstChildElement() == nullptr)
        return loaded;

    for (auto* key : root->getFirstChildElement()->getChildIterator())
    {
        const auto paramText = key->getStringAttribute ("param");
        const auto parameterIndex = paramText.isEmpty() ? -1 : paramText.getIntValue();
        const auto controller = key->getAllSubText().getIntValue();

        // A hand-edited file must never reach past the parameter table, and a
        // negative controller binds nothing.
        if (parameterIndex < 0 || parameterIndex >= QmParam::count || controller < 0 || controller >= numControllers)
            continue;

        loaded.bind (controller, parameterIndex);
    }

    return loaded;
}

void QmMidiMapper::load()
{
    const auto file = getMapFile();

    if (! file.existsAsFile())
        return;

    // Read outside the lock: the audio thread never waits for the disk.
    const auto loaded = readMapFile (file);

    const juce::ScopedLock sl (lock);
    bindings = loaded;

    for (auto* c : components)
    {
        c->controller = bindings.controllerFor (c->parameterIndex);
        queueRepaint (c);
    }
}

bool QmMidiMapper::save()
{
    std::array<int, QmParam::count> parameterToController;

    {
        const juce::ScopedLock sl (lock);
        parameterToController = bindings.parameterToController;
    }

    juce::XmlElement root ("midimapper");
    auto* dict = root.createNewChildElement ("dict");

    for (int p = 0; p < QmParam::count; ++p)
    {
        const auto controller = parameterToController[(size_t) p];

        if (controller == Bindings::noEntry)
            continue;

        auto* key = dict->createNewChildElement ("key");
        key->setAttribute ("param", p);
        key->addTextElement (juce::String (controller));
    }

    XMLMarshaller marshaller;
    juce::MemoryOutputStream text;
    marshaller.write (&root, text, marshaller.getDTD());
    return writeFileAtomically (getMapFile(), text.getData(), text.getDataSize());
}
