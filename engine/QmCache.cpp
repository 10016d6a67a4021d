#include "QmCache.h"
#include "QmFileWriter.h"

#include "QmDataFolders.h"

std::atomic<QmCache*> QmCache::instance { nullptr };

namespace
{
    juce::CriticalSection& getCreationLock()
    {
        static juce::CriticalSection creationLock;
        return creationLock;
    }

    bool creationInProgress = false;
}

QmCache* QmCache::getInstance()
{
    if (auto* cache = instance.load (std::memory_order_acquire))
        return cache;

    const juce::ScopedLock sl (getCreationLock());
    auto* cache = instance.load (std::memory_order_acquire);

    if (cache == nullptr && ! creationInProgress)
    {
        creationInProgress = true;
        cache = new QmCache();
        creationInProgress = false;
        instance.store (cache, std::memory_order_release);
    }

    return cache;
}

QmCache::QmCache()
    : directory (QmDataFolders::getUserDataFolder().getChildFile (".qmcache"))
{
    if (! directory.exists())
        directory.createDirectory();
}

QmCache::~QmCache()
{
    {
        const juce::ScopedLock sl (lock);
        clearEntries();
    }

    auto* self = this;
    instance.compare_exchange_strong (self, nullptr, std::memory_order_acq_rel);
}

const void* QmCache::get (const juce::String& key, Producer producer, size_t* numBytes)
{
    const juce::ScopedLock sl (lock);

    if (auto* entry = findEntry (key))
    {
        if (numBytes != nullptr)
            *numBytes = entry->bytes.getSize();

        return entry->bytes.getData();
    }

    const auto file = fileForKey (key);
    const auto fileSize = file.getSize();

    if (fileSize > 0)
    {
        juce::MemoryBlock block;
        juce::FileInputStream stream (file);

        if (stream.openedOk())
            stream.readIntoMemoryBlock (block, (ssize_t) fileSize);

        // A file that vanished or could not be read counts as absent.
        if (block.getSize() > 0)
        {
            addEntry (key, block.getData(), block.getSize());
            return get (key, {}, numBytes);
        }
    }

    if (producer)
    {
        size_t size = 0;
        const void* data = producer (size);
        store (key, data, size);
        return get (key, {}, numBytes);
    }

    if (numBytes != nullptr)
        *numBytes = 0;

    return nullptr;
}

void QmCache::store (const juce::String& key, const void* data, size_t size)
{
    const juce::ScopedLock sl (lock);

    // Whole or not at all, so a crash or a full disk never leaves a partial
    // file under the key's name; the table is then solved again next start.
    writeFileAtomically (fileForKey (key), data, size);

    addEntry (key, data, size);
}

juce::File QmCache::fileForKey (const juce::String& key) const
{
    auto file = directory.getChildFile (key);

    if (! file.exists())
        file.create();

    return file;
}

void QmCache::addEntry (const juce::String& key, const void* data, size_t size)
{
    const juce::ScopedLock sl (lock);

    if (auto* entry = findEntry (key))
    {
        if (size != 0)
            entry->bytes.replaceAll (data, size);

        return;
    }

    auto entry = std::make_unique<Entry>();

    if (size != 0)
        entry->bytes.replaceAll (data, size);

    entry->size = size;
    entry->keyHash = key.hashCode64();
    entry->key = key;
    entries.push_back (std::move (entry));
}

QmCache::Entry* QmCache::findEntry (const juce::String& key) const
{
    // The key text is compared too: two keys whose hashes collide must not
    // share a table.
    const auto hash = key.hashCode64();

    for (auto it = entries.rbegin(); it != entries.rend(); ++it)
        if ((*it)->keyHash == hash && (*it)->key == key)
            return it->get();

    return nullptr;
}

void QmCache::clearEntries()
{
    while (! entries.empty())
        entries.pop_back();
}
