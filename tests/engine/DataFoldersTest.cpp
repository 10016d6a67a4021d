#include "QmDataFolders.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace
{
    juce::File home() { return juce::File (juce::String::fromUTF8 (std::getenv ("HOME"))); }
    juce::File commonOverride() { return juce::File (juce::String::fromUTF8 (std::getenv ("VORLAN_COMMON_DATA_DIR"))); }
}

TEST (DataFolders, PerUserAndAllUsersFoldersAreNamedAndCreated)
{
    const auto user = QmDataFolders::getUserDataFolder();
    EXPECT_EQ (user, home().getChildFile (".config/Quillmoor/Vorlan"));
    EXPECT_TRUE (user.isDirectory());
    EXPECT_EQ (QmDataFolders::getDataFolder (false), user);

    // The override names the all-users folder itself.
    const auto common = QmDataFolders::getCommonDataFolder();
    EXPECT_EQ (common, commonOverride());
    EXPECT_TRUE (common.isDirectory());

    // getResourceFile names a file below "Resources" and creates nothing.
    const auto skin = QmDataFolders::getResourceFile ("skin/skin.svg");
    EXPECT_EQ (skin, common.getChildFile ("Resources").getChildFile ("skin").getChildFile ("skin.svg"));
    EXPECT_FALSE (skin.exists());
    EXPECT_FALSE (skin.getParentDirectory().exists());

    // Unset or empty, the all-users folder is the system one.
    const juce::String saved = commonOverride().getFullPathName();
    setenv ("VORLAN_COMMON_DATA_DIR", "", 1);
    const auto system = juce::File::getSpecialLocation (juce::File::commonApplicationDataDirectory)
                            .getChildFile ("Quillmoor").getChildFile ("Vorlan");
    EXPECT_EQ (QmDataFolders::getDataFolder (true), system);
    setenv ("VORLAN_COMMON_DATA_DIR", saved.toRawUTF8(), 1);
}

TEST (DataFolders, BanksFolderIsSeededWithTheFactoryBankOnlyWhenMissing)
{
    const auto factory = QmDataFolders::getResourceFile ("banks/vorlan.xml");
    ASSERT_TRUE (factory.getParentDirectory().createDirectory());
    ASSERT_TRUE (factory.replaceWithText ("<bank><name>Vorlan</name><presets/></bank>"));

    const auto banks = QmDataFolders::getUserDataFolder().getChildFile ("Banks");
    banks.deleteRecursively();

    // First use: the folder is created and the factory bank copied in.
    EXPECT_EQ (QmDataFolders::getBanksFolder(), banks);
    EXPECT_TRUE (banks.isDirectory());
    EXPECT_EQ (banks.getChildFile ("vorlan.xml").loadFileAsString(), factory.loadFileAsString());

    // Deleting only the factory bank does not bring it back.
    ASSERT_TRUE (banks.getChildFile ("vorlan.xml").deleteFile());
    QmDataFolders::getBanksFolder();
    EXPECT_FALSE (banks.getChildFile ("vorlan.xml").exists());

    // Removing the whole folder does; a missing factory bank leaves it empty.
    banks.deleteRecursively();
    QmDataFolders::getBanksFolder();
    EXPECT_TRUE (banks.getChildFile ("vorlan.xml").existsAsFile());

    banks.deleteRecursively();
    factory.deleteFile();
    EXPECT_TRUE (QmDataFolders::getBanksFolder().isDirectory());
    EXPECT_EQ (banks.getNumberOfChildFiles (juce::File::findFiles), 0);
}
