#pragma once

#include <juce_core/juce_core.h>
#include <juce_events/juce_events.h>

#include <atomic>
#include <functional>
#include <memory>
#include <vector>

/** A process-wide store of named blobs: every blob seen stays in memory for
    the life of the process, and each one is also kept in a file named after its
    key in the ".qmcache" folder of the per-user data folder, so that expensive
    blobs (the nonlinearity tables) are computed once per machine.

    Every operation is serialised by the cache's lock, so two plug-in instances
    may be constructed on two threads at once. Nothing here runs on the audio
    thread.
*/
class QmCache : public juce::DeletedAtShutdown
{
public:
    /** Fills the byte count and returns that many bytes, which the cache copies. */
    using Producer = std::function<const void* (size_t& numBytes)>;

    /** The instance, created on first use. */
    static QmCache* getInstance();

    ~QmCache() override;

    /** The bytes stored under key: from memory, else read from the key's file,
        else made by the producer (and stored), else null. The pointer stays
        valid while the cache lives; its byte count goes to numBytes. */
    const void* get (const juce::String& key, Producer producer = {}, size_t* numBytes = nullptr);

    /** Writes the blob to the key's file, replacing any old file in one step,
        then adds or replaces the memory entry. A failed write still leaves the
        blob in memory. */
    void store (const juce::String& key, const void* data, size_t size);

    /** The key's file in the cache folder; created empty when missing. */
    juce::File fileForKey (const juce::String& key) const;

    /** Adds or replaces a memory entry without touching the disk. */
    void addEntry (const juce::String& key, const void* data, size_t size);

    /** The cache folder. */
    const juce::File& getDirectory() const noexcept { return directory; }

    /** Held by callers that must check and replace an entry as one step. */
    const juce::CriticalSection& getLock() const noexcept { return lock; }

private:
    struct Entry
    {
        juce::MemoryBlock bytes;
        uint64_t size = 0;
        int64_t keyHash = 0;
        juce::String key;
    };

    QmCache();

    Entry* findEntry (const juce::String& key) const;
    void clearEntries();

    juce::File directory;
    std::vector<std::unique_ptr<Entry>> entries;
    juce::CriticalSection lock;

    static std::atomic<QmCache*> instance;

    JUCE_DECLARE_NON_COPYABLE (QmCache)
};
