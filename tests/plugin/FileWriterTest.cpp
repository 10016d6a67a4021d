#include "QmFileWriter.h"

#include <gtest/gtest.h>

TEST (FileWriter, AFullDiskLeavesTheOldFileWholeAndAFreshWriteReplacesIt)
{
    const auto folder = juce::File::getSpecialLocation (juce::File::userHomeDirectory).getChildFile ("writer");
    ASSERT_TRUE (folder.createDirectory());
    const auto target = folder.getChildFile ("bank.xml");
    const auto temp = folder.getChildFile (".bank.xml.tmp");
    const juce::String old ("old content"), fresh (juce::String::repeatedString ("0123456789abcdef", 520) + "end");
    ASSERT_TRUE (target.replaceWithText (old));

    // Room for half of it: the write fails part-way, the old file stays.
    setFileWriteRoomForTests (4096);
    EXPECT_FALSE (writeFileAtomically (target, fresh));
    setFileWriteRoomForTests (-1);
    EXPECT_EQ (target.loadFileAsString(), old);
    EXPECT_FALSE (temp.exists());

    // A longer leftover of an interrupted write is not appended to.
    ASSERT_TRUE (temp.replaceWithText (fresh + fresh));
    EXPECT_TRUE (writeFileAtomically (target, fresh));
    EXPECT_EQ (target.loadFileAsString(), fresh);
    EXPECT_FALSE (temp.exists());
    folder.deleteRecursively();
}
