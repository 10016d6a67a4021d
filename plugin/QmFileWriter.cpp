#include "QmFileWriter.h"

bool writeFileAtomically (const juce::File& target, const void* data, size_t numBytes)
{
    if (target == juce::File() || target.isDirectory())
        return false;

    const auto temp = target.getSiblingFile ("." + target.getFileName() + ".tmp");

    // A leftover from an interrupted write; the stream below would append to it.
    if (! temp.deleteFile())
        return false;

    bool written = false;

    {
        juce::FileOutputStream out (temp);

        if (out.openedOk())
        {
            written = (numBytes == 0 || out.write (data, numBytes));
            out.flush();
            written = written && out.getStatus().wasOk();
        }
    }

    if (written && temp.replaceFileIn (target))
        return true;

    temp.deleteFile();
    return false;
}

bool writeFileAtomically (const juce::File& target, const juce::String& text)
{
    const auto utf8 = text.toRawUTF8();
    return writeFileAtomically (target, utf8, text.getNumBytesAsUTF8());
}
