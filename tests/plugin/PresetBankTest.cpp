#include "QmBank.h"

#include <gtest/gtest.h>

namespace
{
    QmPreset::Ptr makePreset (const juce::String& name, juce::Array<int> tags = {})
    {
        QmPreset::Ptr preset (new QmPreset());
        preset->name = name;
        preset->tags = tags;
        return preset;
    }

    struct RecordingListener : PresetListener
    {
        RecordingListener (juce::StringArray& l, juce::String id) : log (l), tag (id) {}

        void presetAdded (QmBank*, juce::String name) override   { log.add (tag + "+" + name); }
        void presetRemoved (QmBank*, juce::String name) override { log.add (tag + "-" + name); }

        juce::StringArray& log;
        juce::String tag;
    };
}

TEST (PresetBank, AddAndRemoveKeepNamesUniqueAndIndicesInOrder)
{
    QmBank bank;
    juce::StringArray log;
    RecordingListener first (log, "1"), second (log, "2");
    bank.addListener (&first);
    bank.addListener (&second);
    bank.addListener (&first);     // told once all the same

    auto a = makePreset ("Pad"), b = makePreset ("pad"), c = makePreset ("Lead");
    EXPECT_NE (a->uuid, b->uuid);
    EXPECT_TRUE (bank.addPreset (a.get()) && bank.addPreset (b.get()) && bank.addPreset (c.get()));   // names compare case-sensitively
    EXPECT_EQ (std::pair (c->bank, c->index), std::pair (&bank, 3));

    // A name that is taken: refused, and the preset stays where it was.
    QmBank other;
    auto clash = makePreset ("Pad");
    other.addPreset (clash.get());
    EXPECT_FALSE (bank.addPreset (clash.get()));
    EXPECT_EQ (std::tuple (bank.presets.size(), clash->bank, clash->index), std::tuple (3, &other, 1));
    EXPECT_EQ (bank.findPresetByName ("PAD"), nullptr);

    log.clear();
    bank.removePreset (b.get());
    EXPECT_EQ (c->index, 2);
    EXPECT_EQ (log.joinIntoString (" "), "2-pad 1-pad");   // the latest listener first
}

TEST (PresetBank, FilterMatchesTextAnywhereAndEveryTag)
{
    QmBank bank;
    auto bass = makePreset ("Fat Bass", { 3, 5, 1 });
    auto lead = makePreset ("Bassy Lead", { 1 });
    auto pad = makePreset ("Pad", {});

    for (auto* p : { bass.get(), lead.get(), pad.get() })
        bank.addPreset (p);

    using Found = juce::Array<QmPreset*>;
    EXPECT_EQ (bank.filterPresets ({}, {}), Found ({ bass.get(), lead.get(), pad.get() }));
    EXPECT_EQ (bank.filterPresets ({}, "BASS"), Found ({ bass.get(), lead.get() }));
    EXPECT_EQ (bank.filterPresets ({ 1, 3 }, {}), Found ({ bass.get() }));
    EXPECT_EQ (bank.filterPresets ({ 1 }, "lead"), Found ({ lead.get() }));

    // The last filter stays and drives getFilteredPresetAt.
    EXPECT_EQ (bank.getFilteredPresetAt (0), lead.get());
    EXPECT_EQ (bank.getFilteredPresetAt (1), nullptr);
    EXPECT_EQ (bank.getFilteredPresetAt (-1), nullptr);
}
