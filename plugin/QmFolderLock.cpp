#include "QmFolderLock.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

thread_local int QmFolderLock::depth = 0;

QmFolderLock::QmFolderLock (const juce::File& folder)
    : fd (depth++ > 0 ? -1 : ::open (folder.getChildFile (".banks.lock").getFullPathName().toRawUTF8(),
                                     O_RDWR | O_CREAT | O_CLOEXEC, 0644))
{
    while (fd >= 0 && ::flock (fd, LOCK_EX) != 0 && errno == EINTR)
        continue;
}

QmFolderLock::~QmFolderLock()
{
    --depth;

    if (fd >= 0)
        ::close (fd);
}
