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
        explicit RecordingListener (juce::StringArray& l, juce::String id) : log (l), tag (id) {}

        void presetAdded (QmBank*, juce::String name) override   { log.add (tag + "+" + name); }
        void presetRemoved (QmBank*, juce::String name) override { log.add (tag + "-" + name); }

        juce::StringArray& log;
        juce::String tag;
    };
}

TEST (PresetBank, NewPresetHasItsDefaults)
{
    QmPreset a, b;
    EXPECT_EQ (a.version, "1.0");
    EXPECT_TRUE (a.pluginVersion.isEmpty());
    EXPECT_FALSE (a.fav);
    EXPECT_EQ (a.index, 0);
    EXPECT_EQ (a.bank, nullptr);
    EXPECT_FALSE (a.uuid.isNull());
    EXPECT_NE (a.uuid, b.uuid);
}

TEST (PresetBank, AddAndRemoveKeepNamesUniqueAndIndicesInOrder)
{
    QmBank bank;
    juce::StringArray log;
    RecordingListener first (log, "1"), second (log, "2");
    bank.addListener (&first);
    bank.addListener (&second);
    bank.addListener (&first);     // told once all the same
    bank.addListener (nullptr);

    auto a = makePreset ("Pad"), b = makePreset ("pad"), c = makePreset ("Lead");
    EXPECT_TRUE (bank.addPreset (a.get()));
    EXPECT_TRUE (bank.addPreset (b.get()));     // names compare case-sensitively
    EXPECT_TRUE (bank.addPreset (c.get()));
    EXPECT_EQ (a->bank, &bank);
    EXPECT_EQ (c->index, 3);

    QmBank other;
    auto clash = makePreset ("Pad");
    other.addPreset (clash.get());
    log.clear();
    EXPECT_FALSE (bank.addPreset (clash.get()));
    EXPECT_EQ (bank.presets.size(), 3);
    EXPECT_EQ (clash->bank, &other);
    EXPECT_EQ (clash->index, 1);
    EXPECT_TRUE (log.isEmpty());

    EXPECT_EQ (bank.findPresetByName ("pad"), b.get());
    EXPECT_EQ (bank.findPresetByName ("PAD"), nullptr);

    bank.removePreset (b.get());
    EXPECT_EQ (c->index, 2);
    EXPECT_EQ (log.joinIntoString (" "), "2-pad 1-pad");   // the latest listener first

    // A preset that is not there: nothing removed, listeners still told.
    log.clear();
    bank.removePreset (clash.get());
    EXPECT_EQ (bank.presets.size(), 2);
    EXPECT_EQ (log.size(), 2);

    // The bank's reference goes with the removal.
    auto* raw = new QmPreset();
    raw->name = "Temp";
    bank.addPreset (raw);
    EXPECT_EQ (raw->getReferenceCount(), 1);
    QmPreset::Ptr held (raw);
    bank.removePreset (raw);
    EXPECT_EQ (held->getReferenceCount(), 1);
}

TEST (PresetBank, FilterMatchesTextAnywhereAndEveryTag)
{
    QmBank bank;
    auto bass = makePreset ("Fat Bass", { 3, 5, 1 });
    auto lead = makePreset ("Bassy Lead", { 1 });
    auto pad = makePreset ("Pad", {});

    for (auto* p : { bass.get(), lead.get(), pad.get() })
        bank.addPreset (p);

    EXPECT_EQ (bank.filterPresets ({}, {}), juce::Array<QmPreset*> ({ bass.get(), lead.get(), pad.get() }));
    EXPECT_EQ (bank.filterPresets ({}, "BASS"), juce::Array<QmPreset*> ({ bass.get(), lead.get() }));
    EXPECT_EQ (bank.filterPresets ({ 1, 3 }, {}), juce::Array<QmPreset*> ({ bass.get() }));
    EXPECT_EQ (bank.filterPresets ({ 1 }, "lead"), juce::Array<QmPreset*> ({ lead.get() }));

    // The last filter stays and drives getFilteredPresetAt.
    EXPECT_EQ (bank.tagFilter, juce::Array<int> ({ 1 }));
    EXPECT_EQ (bank.searchText, "lead");
    EXPECT_EQ (bank.getFilteredPresetAt (0), lead.get());
    EXPECT_EQ (bank.getFilteredPresetAt (1), nullptr);
    EXPECT_EQ (bank.getFilteredPresetAt (-1), nullptr);

    auto copy = bank.getPresets();
    EXPECT_EQ (copy.size(), 3);
    EXPECT_EQ (bass->getReferenceCount(), 3);
}
