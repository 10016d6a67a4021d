#pragma once

#include <juce_core/juce_core.h>

/** Writes a file so that it is either completely replaced or left as it was.

    The bytes go to a hidden temporary file beside the target (".name.tmp", which
    no "*.xml" scan picks up). Every write is checked, the file is synced to disk
    and its size compared with what was meant; only then does it replace the
    target by renaming. On any failure the temporary file is removed, the target
    keeps its old content and the result is false.
*/
bool writeFileAtomically (const juce::File& target, const void* data, size_t numBytes);

/** The same for text, written as UTF-8 without a byte-order mark. */
bool writeFileAtomically (const juce::File& target, const juce::String& text);

/** For tests: every later write behaves as on a disk with room for only this
    many more bytes, failing part-way once it is used up; negative for no limit. */
void setFileWriteRoomForTests (juce::int64 bytes);
