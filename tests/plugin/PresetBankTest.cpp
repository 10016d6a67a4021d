#include "NamedPreset.h"
#include "QmBank.h"

#include <gtest/gtest.h>

TEST (PresetBank, KeepsNamesUniqueIndicesInOrderFiltersByTextAndTagsAndTakesLineBreaksForOne)
{
    QmBank bank, other, lines;
    auto bass = namedPreset ("Fat Bass", { 3, 5, 1 }), lower = namedPreset ("fat bass"), lead = namedPreset ("Bassy Lead", { 1 });
    EXPECT_TRUE (bank.addPreset (bass.get()));
    EXPECT_TRUE (bank.addPreset (lower.get()));   // case-sensitive names
    EXPECT_TRUE (bank.addPreset (lead.get()));
    EXPECT_EQ (std::pair (lead->bank, lead->index), std::pair (&bank, 3));

    // A name that is taken: refused, and the preset stays where it was.
    auto clash = namedPreset ("Fat Bass");
    other.addPreset (clash.get());
    EXPECT_FALSE (bank.addPreset (clash.get()));
    EXPECT_EQ (std::tuple (bank.presets.size(), clash->bank, clash->index), std::tuple (3, &other, 1));

    bank.removePreset (lower.get());
    EXPECT_EQ (lead->index, 2);

    // A system bank never renumbers the presets it shares.
    QmBank all;
    all.isSystem = true;
    all.presets.add (lead.get());
    all.removePreset (bass.get());      // not there: only a renumbering pass
    all.addPreset (namedPreset ("Three").get());
    all.removePreset (lead.get());
    EXPECT_EQ (std::pair (bass->index, lead->index), std::pair (1, 2));

    // Text matches anywhere, ignoring case; every tag must be present. The
    // last filter drives getFilteredPresetAt.
    using Found = juce::Array<QmPreset*>;
    EXPECT_EQ (bank.filterPresets ({}, "BASS"), Found ({ bass.get(), lead.get() }));
    EXPECT_EQ (bank.filterPresets ({ 1 }, "lead"), Found ({ lead.get() }));
    EXPECT_EQ (std::tuple (bank.getFilteredPresetAt (0), bank.getFilteredPresetAt (1), bank.getFilteredPresetAt (-1)), std::tuple (lead.get(), nullptr, nullptr));

    // Read back from a file every line break is a line feed: two names that
    // differ only there were one after a save.
    EXPECT_TRUE (lines.addPreset (namedPreset ("Soft\r\nPad").get()));
    EXPECT_FALSE (lines.addPreset (namedPreset ("Soft\nPad").get()));
    EXPECT_FALSE (lines.addPreset (namedPreset ("Soft\rPad").get()));
    EXPECT_EQ (lines.presets[0]->name, "Soft\nPad");

    // A file's presets, added at once: the first of a name stays, in order.
    juce::ReferenceCountedArray<QmPreset> read;
    for (auto name : { "Lead", "Soft\rPad", "Bass", "Lead" })
        read.add (namedPreset (name));
    lines.addPresets (read);
    EXPECT_EQ (lines.presets.size(), 3);
    EXPECT_EQ (std::tuple (lines.presets[1]->name, lines.presets[2]->name, lines.presets[2]->index, lines.presets[2]->bank),
               std::tuple (juce::String ("Lead"), juce::String ("Bass"), 3, &lines));
    EXPECT_EQ (read[3]->bank, nullptr);
}
