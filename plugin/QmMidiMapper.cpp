#include "QmMidiMapper.h"

#include "MidiOverlay.h"
#include "QmDataFolders.h"
#include "QmFileWriter.h"
#include "QmFolderLock.h"
#include "QmXmlReader.h"
#include "XMLMarshaller.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <optional>

juce::CriticalSection QmMidiMapper::singletonLock;
std::atomic<QmMidiMapper*> QmMidiMapper::instance { nullptr };
bool QmMidiMapper::creating = false;

namespace
{
    /** A decimal integer and nothing else but surrounding blanks; none for
        anything else ("nan", "abc", "", "12x", numbers beyond int). */
    std::optional<int> readInteger (const juce::String& text)
    {
        const auto trimmed = text.trim();
        auto p = trimmed.getCharPointer();
        const bool negative = (*p == '-');

        if (*p == '-' || *p == '+')
            ++p;

        if (p.isEmpty())
            return {};

        long long value = 0;

        for (; ! p.isEmpty(); ++p)
        {
            const auto c = *p;

            if (c < '0' || c > '9' || value > INT_MAX)
                return {};

            value = value * 10 + (c - '0');
        }

        value = negative ? -value : value;

        if (value < INT_MIN || value > INT_MAX)
            return {};

        return (int) value;
    }
}

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

QmMidiMapper::Bindings QmMidiMapper::Bindings::merge (const Bindings& base, const Bindings& changed, Bindings onto) noexcept
{
    const auto& from = base.parameterToController;
    const auto& to = changed.parameterToController;

    for (size_t p = 0; p < from.size(); ++p)
        if (from[p] >= 0 && to[p] != from[p] && onto.parameterToController[p] == from[p])
            onto.bind (-1, (int) p);

    // The changed bindings are consistent among themselves: each one only
    // displaces onto's.
    for (size_t p = 0; p < to.size(); ++p)
        if (to[p] >= 0 && to[p] != from[p])
            onto.bind (to[p], (int) p);

    // A parameter that lost its controller is written as such.
    for (size_t p = 0; p < to.size(); ++p)
        if (to[p] != from[p] && onto.parameterToController[p] == noEntry)
            onto.parameterToController[p] = -1;

    return onto;
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

void QmMidiMapper::setLearnMode (bool shouldLearn)
{
    const juce::ScopedLock sl (lock);
    learnMode = shouldLearn;
}

void QmMidiMapper::setLearnTarget (int parameterIndex)
{
    const juce::ScopedLock sl (lock);
    learnTarget = parameterIndex;
}

void QmMidiMapper::learnController (int controller)
{
    const juce::ScopedLock sl (lock);

    if (learnMode)
        assignController (controller, learnTarget);
}

void QmMidiMapper::assignController (int controller, int parameterIndex)
{
    if (parameterIndex < 0 || parameterIndex >= QmParam::count || controller >= numControllers)
        return;

    const juce::ScopedLock sl (lock);

    const auto isTarget = [parameterIndex] (QmMidiComponent* c) { return c->parameterIndex == parameterIndex; };

    if (std::none_of (components.begin(), components.end(), isTarget))
        return;

    const auto before = bindings.parameterToController;
    const auto unbound = bindings.bind (controller, parameterIndex);

    // Moving a learnt knob assigns the same pair again and again.
    if (bindings.parameterToController != before)
        writeDue = true;

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
    // A failed write is tried again with the next change, not every turn.
    if (writeDue.exchange (false))
        save();

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

juce::File QmMidiMapper::getBackupFile()
{
    return getMapFile().getSiblingFile ("midimapper.mrb.unreadable");
}

bool QmMidiMapper::readMap (juce::InputStream& input, Bindings& result)
{
    result = {};
    const auto root = XMLMarshaller().parse (input);

    // Exactly the shape we write: anything else is someone else's file.
    if (root == nullptr || ! root->hasTagName ("midimapper") || root->getNumChildElements() != 1
         || ! root->getFirstChildElement()->hasTagName ("dict"))
        return false;

    for (auto* key : root->getFirstChildElement()->getChildIterator())
    {
        const auto parameterIndex = readInteger (key->getStringAttribute ("param"));
        const auto controller = readInteger (key->getAllSubText());

        // A hand-edited file must never reach past the parameter table, and a
        // negative controller binds nothing.
        if (! parameterIndex || ! controller || *parameterIndex < 0 || *parameterIndex >= QmParam::count
             || *controller < 0 || *controller >= numControllers)
            continue;

        result.bind (*controller, *parameterIndex);
    }

    return true;
}

juce::MemoryBlock QmMidiMapper::writeMap (const Bindings& bindings)
{
    juce::XmlElement root ("midimapper");
    auto* dict = root.createNewChildElement ("dict");

    for (int p = 0; p < QmParam::count; ++p)
    {
        const auto controller = bindings.parameterToController[(size_t) p];

        if (controller == Bindings::noEntry)
            continue;

        auto* key = dict->createNewChildElement ("key");
        key->setAttribute ("param", p);
        key->addTextElement (juce::String (controller));
    }

    XMLMarshaller marshaller;
    juce::MemoryOutputStream text;
    marshaller.write (&root, text, marshaller.getDTD());
    return text.getMemoryBlock();
}

QmMidiMapper::FileState QmMidiMapper::readMapFile (const juce::File& file, Bindings& read)
{
    read = {};

    if (! file.exists())
        return FileState::missing;

    // A FIFO or device would block.
    if (! QmXmlReader::isRegularFile (file))
        return FileState::unreadable;

    juce::FileInputStream stream (file);
    return stream.openedOk() && readMap (stream, read) ? FileState::readable : FileState::unreadable;
}

void QmMidiMapper::takeFileBindings (const Bindings& onFile, const Bindings& base)
{
    const juce::ScopedLock sl (lock);
    bindings = Bindings::merge (base, bindings, onFile);
    fileBindings = onFile;

    for (auto* c : components)
    {
        const auto controller = bindings.controllerFor (c->parameterIndex);

        if (c->controller != controller)
        {
            c->controller = controller;
            queueRepaint (c);
        }
    }
}

void QmMidiMapper::load()
{
    const auto file = getMapFile();

    // Read outside the lock: the audio thread never waits for the disk.
    Bindings read;
    const auto state = readMapFile (file, read);

    if (state == FileState::missing)
        return;

    if (state == FileState::readable)
        unreadableTold = false;
    else if (! unreadableTold.exchange (true))
        std::printf ("Vorlan: cannot read the MIDI map %s; it is left as it is until a binding changes\n",
                     file.getFullPathName().toRawUTF8());

    Bindings base;

    {
        const juce::ScopedLock sl (lock);
        base = fileBindings;
    }

    takeFileBindings (read, base);
}

bool QmMidiMapper::save()
{
    Bindings current, base;

    {
        const juce::ScopedLock sl (lock);
        current = bindings;
        base = fileBindings;
    }

    if (current.parameterToController == base.parameterToController)
        return true;

    const auto file = getMapFile();
    Bindings onFile;
    bool written = false;

    {
        // Other processes write the file too: theirs is read again and only
        // this one's changes go on top.
        const QmFolderLock folderLock (file.getParentDirectory());
        const auto state = readMapFile (file, onFile);
        onFile = Bindings::merge (base, current, onFile);

        // The user's new bindings replace an unreadable file only once a whole
        // copy of it is kept beside them.
        written = true;

        if (state == FileState::unreadable && QmXmlReader::isRegularFile (file))
        {
            juce::MemoryBlock original;
            written = file.loadFileAsData (original) && (juce::int64) original.getSize() == file.getSize()
                       && writeFileAtomically (getBackupFile(), original.getData(), original.getSize());
        }

        if (written)
        {
            const auto document = writeMap (onFile);
            written = writeFileAtomically (file, document.getData(), document.getSize());
        }
    }

    if (! written)
    {
        std::printf ("Vorlan: cannot save the MIDI map %s; the bindings of this session are lost when it ends\n",
                     file.getFullPathName().toRawUTF8());
        std::fflush (stdout);

        // Made outside the lock, which the audio thread takes.
        juce::String failure ("The MIDI map file cannot be written. The bindings work until the host closes; "
                              "saving them is tried again with the next change.");
        const juce::ScopedLock sl (lock);
        std::swap (lastFailure, failure);
        return false;
    }

    // Bindings made while the file was written stay to be written next.
    takeFileBindings (onFile, current);
    return true;
}

juce::String QmMidiMapper::takeLastFailure()
{
    const juce::ScopedLock sl (lock);
    return std::exchange (lastFailure, {});
}
