#include "QmDataFolders.h"

#include <cstdlib>

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
    banks.createDirectory();
    const auto source = getResourceFile ("banks/vorlan.xml");
    source.copyFileTo (banks.getChildFile (source.getFileName()));
    return banks;
}

juce::File getResourceFile (const juce::String& relativePath)
{
    return getCommonDataFolder().getChildFile ("Resources").getChildFile (relativePath);
}
}
