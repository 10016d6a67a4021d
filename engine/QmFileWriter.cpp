#include "QmFileWriter.h"

#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace
{
    std::atomic<juce::int64> roomForTests { -1 };

    /** write(2) as far as the (test) disk has room for it. */
    ssize_t writeSome (int fd, const char* data, size_t numBytes)
    {
        auto room = roomForTests.load();

        if (room >= 0)
        {
            if (room == 0)
            {
                errno = ENOSPC;
                return -1;
            }

            numBytes = (size_t) juce::jmin ((juce::int64) numBytes, room);
        }

        const auto written = ::write (fd, data, numBytes);

        if (written > 0 && room >= 0)
            roomForTests -= written;

        return written;
    }

    bool writeAll (int fd, const char* data, size_t numBytes)
    {
        while (numBytes > 0)
        {
            const auto written = writeSome (fd, data, numBytes);

            if (written < 0 && errno == EINTR)
                continue;

            if (written <= 0)
                return false;

            data += written;
            numBytes -= (size_t) written;
        }

        return true;
    }

    /** Writes, syncs and checks the temporary file; false on any failure. */
    bool writeTemporary (const juce::File& temp, const juce::File& target, const void* data, size_t numBytes)
    {
        // A leftover of an interrupted write is truncated; a new file keeps the
        // target's permissions.
        struct stat old {};
        const auto mode = ::stat (target.getFullPathName().toRawUTF8(), &old) == 0 ? (old.st_mode & 07777) : 0644;
        const auto fd = ::open (temp.getFullPathName().toRawUTF8(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, mode);

        if (fd < 0)
            return false;

        struct stat written {};
        auto ok = writeAll (fd, static_cast<const char*> (data), numBytes)
                   && ::fsync (fd) == 0
                   && ::fstat (fd, &written) == 0
                   && written.st_size == (off_t) numBytes;

        ok = (::close (fd) == 0) && ok;
        return ok;
    }

    void syncFolder (const juce::File& folder)
    {
        const auto fd = ::open (folder.getFullPathName().toRawUTF8(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);

        if (fd >= 0)
        {
            ::fsync (fd);
            ::close (fd);
        }
    }
}

bool writeFileAtomically (const juce::File& target, const void* data, size_t numBytes)
{
    if (target == juce::File() || target.isDirectory() || (data == nullptr && numBytes > 0))
        return false;

    const auto temp = target.getSiblingFile ("." + target.getFileName() + ".tmp");

    if (temp.isDirectory() || ! writeTemporary (temp, target, data, numBytes)
         || ::rename (temp.getFullPathName().toRawUTF8(), target.getFullPathName().toRawUTF8()) != 0)
    {
        if (! temp.isDirectory())
            temp.deleteFile();

        return false;
    }

    // The rename itself reaches the disk.
    syncFolder (target.getParentDirectory());
    return true;
}

bool writeFileAtomically (const juce::File& target, const juce::String& text)
{
    const auto utf8 = text.toRawUTF8();
    return writeFileAtomically (target, utf8, text.getNumBytesAsUTF8());
}

void setFileWriteRoomForTests (juce::int64 bytes)
{
    roomForTests = bytes;
}
