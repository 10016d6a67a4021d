#pragma once

#include <juce_core/juce_core.h>

/** Where the plug-in keeps its files.

    The per-user folder holds the banks, the MIDI map and the table cache; the
    all-users folder holds the installed resources (skin, images, factory bank).
    Nothing is cached: every call derives the path again and creates missing
    folders, so the functions may run on any thread.

    The environment variable VORLAN_COMMON_DATA_DIR, when set and not empty,
    names the all-users folder itself (the one holding "Resources").
*/
namespace QmDataFolders
{
    /** The per-user (false) or all-users (true) data folder, created when missing. */
    juce::File getDataFolder (bool allUsers);

    /** getDataFolder (true). */
    juce::File getCommonDataFolder();

    /** getDataFolder (false). */
    juce::File getUserDataFolder();

    /** The "Banks" folder of the per-user data folder. When it is missing it is
        created with a copy of the factory bank in it; when that copy cannot be
        written completely, the folder is not made (the next call tries again).
        With no factory bank installed it is made empty. */
    juce::File getBanksFolder();

    /** A file below the all-users folder's "Resources"; nothing is created. */
    juce::File getResourceFile (const juce::String& relativePath);
}
