#include "QmDataFolders.h"

#include "QmFileWriter.h"

#include <cstdio>
#include <cstdlib>
#include <unistd.h>

namespace QmDataFolders
{
namespace
{
    const char* const makerName = "Quillmoor";
    const char* const productName = "Vorlan";
    const char* const commonOverrideVariable = "VORLAN_COMMON_DATA_DIR";

    juce::File getCommonOverride()
    {
        const char* value = std::getenv (commonOverrideVariable);

        if (value == nullptr || *value == 0)
            return {};

        return juce::File::getCurrentWorkingDirectory().getChildFile (juce::String::fromUTF8 (value));
    }
}

juce::File getDataFolder (bool allUsers)
{
    if (allUsers)
    {
        auto overridden = getCommonOverride();

        if (overridden != juce::File())
        {
            overridden.createDirectory();
            return overridden;
        }
    }

    const auto base = juce::File::getSpecialLocation (allUsers ? juce::File::commonApplicationDataDirectory
                                                               : juce::File::userApplicationDataDirectory);
    auto maker = base.getChildFile (makerName);
    maker.createDirectory();

    auto folder = maker.getChildFile (productName);
    folder.createDirectory();
    return folder;
}

juce::File getCommonDataFolder()
{
    return getDataFolder (true);
}

juce::File getUserDataFolder()
{
    return getDataFolder (false);
}

juce::File getBanksFolder()
{
    auto banks = getUserDataFolder().getChildFile ("Banks");

    if (banks.exists())
        return banks;

    // First use (or the user removed the whole folder): seed it with the factory bank.
    const auto source = getResourceFile ("banks/vorlan.xml");
    juce::MemoryBlock factory;

    if (! source.existsAsFile() || ! source.loadFileAsData (factory))
    {
        banks.createDirectory();
        return banks;
    }

    // The folder appears with the whole factory bank in it or not at all: it
    // is filled under a name of its own and renamed into place. When the disk
    // refuses, nothing is left and the next call seeds again.
    const auto staging = banks.getSiblingFile (".Banks-" + juce::String (::getpid()) + "-"
                                               + juce::String::toHexString (juce::Random().nextInt64()));

    if (! staging.createDirectory()
         || ! writeFileAtomically (staging.getChildFile (source.getFileName()), factory.getData(), factory.getSize())
         || std::rename (staging.getFullPathName().toRawUTF8(), banks.getFullPathName().toRawUTF8()) != 0)
        staging.deleteRecursively();    // another instance's rename came first, or the disk is full

    return banks;
}

juce::File getResourceFile (const juce::String& relativePath)
{
    return getCommonDataFolder().getChildFile ("Resources").getChildFile (relativePath);
}
}
