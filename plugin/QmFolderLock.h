#pragma once

#include <juce_core/juce_core.h>

/** Held while the per-user data folder's shared files (banks, the MIDI map)
    are checked and written: a lock file ".banks.lock" in that folder, locked
    with flock. Other holders, in this process or another, wait: each open of
    the lock file locks on its own. A thread holding it already (a listener's
    call inside a change) goes on.
*/
class QmFolderLock
{
public:
    /** Waits until the lock of the folder (the per-user data folder) is ours. */
    explicit QmFolderLock (const juce::File& folder);
    ~QmFolderLock();

private:
    static thread_local int depth;
    const int fd;

    JUCE_DECLARE_NON_COPYABLE (QmFolderLock)
};
