#include "QmDataFolders.h"

#include <gtest/gtest.h>

#include <cstdlib>

TEST (DataFolders, FoldersAreNamedCreatedAndSeeded)
{
    const juce::File home (juce::String::fromUTF8 (std::getenv ("HOME")));
    const juce::String common (juce::String::fromUTF8 (std::getenv ("VORLAN_COMMON_DATA_DIR")));
    const auto user = QmDataFolders::getUserDataFolder();
    EXPECT_EQ (user, home.getChildFile (".config/Quillmoor/Vorlan"));
    EXPECT_TRUE (user.isDirectory());

    // The override names the all-users folder itself; resources live below
    // it, and naming one creates nothing.
    EXPECT_EQ (QmDataFolders::getCommonDataFolder(), juce::File (common));
    EXPECT_TRUE (juce::File (common).isDirectory());
    const auto skin = QmDataFolders::getResourceFile ("skin/skin.svg");
    EXPECT_EQ (skin, juce::File (common).getChildFile ("Resources/skin/skin.svg"));
    EXPECT_FALSE (skin.getParentDirectory().exists());

    // Unset or empty, the all-users folder is the system one.
    setenv ("VORLAN_COMMON_DATA_DIR", "", 1);
    EXPECT_EQ (QmDataFolders::getDataFolder (true),
               juce::File::getSpecialLocation (juce::File::commonApplicationDataDirectory).getChildFile ("Quillmoor/Vorlan"));
    setenv ("VORLAN_COMMON_DATA_DIR", common.toRawUTF8(), 1);

    // The banks folder is seeded with the factory bank only when it is missing.
    const auto factory = QmDataFolders::getResourceFile ("banks/vorlan.xml");
    ASSERT_TRUE (factory.getParentDirectory().createDirectory());
    ASSERT_TRUE (factory.replaceWithText ("<bank><name>Vorlan</name><presets/></bank>"));

    const auto banks = QmDataFolders::getUserDataFolder().getChildFile ("Banks");
    banks.deleteRecursively();

    // First use: the folder is created and the factory bank copied in.
    EXPECT_EQ (QmDataFolders::getBanksFolder(), banks);
    EXPECT_EQ (banks.getChildFile ("vorlan.xml").loadFileAsString(), factory.loadFileAsString());

    // Deleting only the factory bank does not bring it back; a missing
    // factory bank leaves a new folder empty.
    ASSERT_TRUE (banks.getChildFile ("vorlan.xml").deleteFile());
    QmDataFolders::getBanksFolder();
    EXPECT_FALSE (banks.getChildFile ("vorlan.xml").exists());

    banks.deleteRecursively();
    factory.deleteFile();
    EXPECT_TRUE (QmDataFolders::getBanksFolder().isDirectory());
    EXPECT_EQ (banks.getNumberOfChildFiles (juce::File::findFiles), 0);
}
