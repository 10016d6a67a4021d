#include "QmParameter.h"
#include "QmRandom.h"
#include "QmSynthEngine.h"
#include "XMLMarshaller.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace
{
    struct Rendering { uint64_t hash = 1469598103934665603ull; double heldSquares = 0.0; float peak = 0.0f; };

    // A preset from a fresh engine: two notes and their releases over 2.5 s
    // at 44.1 kHz in blocks of the given size. The hash is FNV-1a over both
    // channels' bits; the squares are the first note's, held for half a second.
    Rendering render (const QmPreset& preset, int blockSize)
    {
        qmSrand (1);
        QmSynthEngine engine;
        for (int i = 0; i < QmParam::count; ++i)
            engine.parameters[i]->setValue (preset.params[i]);

        const int total = 110250, held = 22050, notes[][4] = { { 100, 48, 1, 100 }, { held, 48, 0, 127 }, { 70560, 55, 1, 0 }, { 83790, 55, 0, 127 } };
        std::vector<float> left ((size_t) blockSize), right ((size_t) blockSize);
        std::vector<QmMidiEvent> events;
        Rendering result;

        for (int start = 0; start < total; start += blockSize)
        {
            events.clear();
            for (auto& n : notes)
                if (n[0] >= start && n[0] < start + blockSize)
                    events.push_back ({ QmMidiEvent::typeNote, n[1], (uint8_t) n[2], n[0] - start, n[3] == 0 ? 0.6f : n[3] / 127.0f });

            engine.renderBlock (left.data(), right.data(), events, blockSize);

            for (int i = 0; i < blockSize; ++i)
                for (float s : { left[(size_t) i], right[(size_t) i] })
                {
                    result.hash = (result.hash ^ juce::readUnaligned<uint32_t> (&s)) * 1099511628211ull;
                    result.peak = std::isfinite (s) ? std::max (result.peak, std::abs (s)) : INFINITY;
                    result.heldSquares += start + i < held ? (double) s * s : 0.0;
                }
        }

        return result;
    }
}

// The engine's speed-ups must not move a bit of any preset at any block size.
TEST (FactoryBank, HoldsTheEnginesDefaultAndEveryPresetPlaysAudiblyWithinTheUntouchedRangeAndRendersTheBitsItAlwaysHas)
{
    struct Fingerprint { const char* name; uint64_t block7, block64, block512; };
    const Fingerprint fingerprints[] = {
        { "default", 0x0954ef5bbade7723ull, 0x12dd56bf36b016a1ull, 0x3644a34bb346d40full },
        { "Bass - Fat Saw", 0x366d86bad9e9b283ull, 0x09bcc4a6f290b5bdull, 0xd898dc91f3493c1bull },
        { "Bass - Sub Square", 0x8c4ceec48a650481ull, 0xb46709bf3c00b7f5ull, 0xfb23f39ba604fdc5ull },
        { "Bass - Acid Squelch", 0xf51315f66ff9f6cfull, 0x424dffb35e0c7769ull, 0x46759ec37513571bull },
        { "Bass - Sync Pluck", 0xb41f44768dd1e953ull, 0x0923ec4d5c869f85ull, 0x64949d16ab31669bull },
        { "Bass - Drive Reese", 0x35f0b74ec82f17c3ull, 0xc8e18b496964f5efull, 0xb3ce7300b33cb8a1ull },
        { "Bass - Tempo Wobble", 0x7872935232d16bbbull, 0x01ed0e68f6bc696dull, 0xe7d76bbd46934d59ull },
        { "Lead - Detuned Saws", 0x236ba7c2be0818e3ull, 0x2970de536965c859ull, 0x518043d7af39839bull },
        { "Lead - Sync Scream", 0x57064cf41821f19full, 0xa8e10d374fe4ecc5ull, 0x57fac65188abd083ull },
        { "Lead - Square Whistle", 0xe2808dae4bf45a37ull, 0x53c7db7e1d3b3b45ull, 0x7bd036de537f286bull },
        { "Pluck - Bright Pluck", 0x402b903e5ea21135ull, 0x38af9deca6402c21ull, 0x34613c3e7d7432d1ull },
        { "Pluck - Glass Keys", 0xdfec96922e45b6dbull, 0x1d83ea0db8a5a33bull, 0xfa0cb074eb517d2full },
        { "Pluck - Muted Guitar", 0xfbce3b7c5f6a295bull, 0x0eaf3e6e5068406dull, 0x87f1d1afca5b1201ull },
        { "Pad - Warm Strings", 0xd000c38bf2eecab5ull, 0xd1d185e261a9f4bbull, 0xff8b4fef0967c7a3ull },
        { "Pad - Slow Sweep", 0x6433a4e535d82ecbull, 0x42b1dd35b2383559ull, 0x3134db622a27c883ull },
        { "Pad - Pulse Choir", 0x8c866e25398e215dull, 0x7fea07843b70105full, 0xe4d3a537e74b2ec5ull },
        { "Keys - Soft Organ", 0xca4c07835a71537dull, 0xe6cd24a0a6216ea5ull, 0xbf9368b082ebd621ull },
        { "FX - Random Bleeps", 0xa2a1cf295890d495ull, 0xa21dfa5d1c553c65ull, 0x9d8c65e58fda76dbull },
        { "FX - Noise Riser", 0xe5296ce96ce8a227ull, 0x3427ffc629ce86bfull, 0x008b61d4a635ce89ull },
        { "FX - Laser Zap", 0x98ac242732ac2389ull, 0x40054862d7e35a25ull, 0xf8be7dcd3804db87ull },
        { "FX - Metallic Clang", 0x1d9807eed442edc9ull, 0xe460ffffd5821aa1ull, 0x59a0e215047b20e3ull },
    };

    const juce::File source (VORLAN_RESOURCES_DIR "/banks/vorlan.xml");
    XMLMarshaller marshaller;
    juce::FileInputStream in (source);
    auto root = marshaller.parse (in);
    ASSERT_NE (root, nullptr) << source.getFullPathName();

    auto bank = marshaller.bankFromXml (root.get());
    EXPECT_EQ (bank->name, "Vorlan");
    ASSERT_EQ (bank->presets.size(), (int) std::size (fingerprints));

    // The file is exactly what the bank writer produces for it.
    juce::MemoryOutputStream out;
    marshaller.write (marshaller.bankToXml (bank.get()).get(), out, marshaller.getDTD());
    EXPECT_EQ (out.toString(), source.loadFileAsString());

    // "default" is where the engine starts.
    QmSynthEngine engine;
    auto* defaults = bank->findPresetByName ("default");
    ASSERT_NE (defaults, nullptr);
    for (int i = 0; i < QmParam::count; ++i)
        EXPECT_NEAR (defaults->params[i], engine.parameters[i]->value, 1.0e-6) << i;

    // Every value is in range and on one of its parameter's steps; the held
    // note sounds, and all stays within the output stage's untouched range.
    for (const auto& f : fingerprints)
    {
        auto* preset = bank->findPresetByName (f.name);
        ASSERT_NE (preset, nullptr) << f.name;
        ASSERT_EQ (preset->params.size(), QmParam::count) << f.name;
        for (int i = 0; i < QmParam::count; ++i)
        {
            const auto v = preset->params[i], k = v * (float) juce::jmax (1, engine.parameters[i]->steps - 1);
            EXPECT_GE (v, 0.0f) << f.name << " " << i;
            EXPECT_LE (v, 1.0f) << f.name << " " << i;
            EXPECT_TRUE (engine.parameters[i]->steps == 0 || std::abs (k - std::round (k)) < 1.0e-4f)
                << f.name << " " << i << ": " << v << " of " << engine.parameters[i]->steps << " steps";
        }

        const auto rendering = render (*preset, 512);
        EXPECT_GT (std::sqrt (rendering.heldSquares / (2.0 * 22050.0)), 0.005) << f.name;
        EXPECT_LT (rendering.peak, 1.5f) << f.name;
        EXPECT_EQ (render (*preset, 7).hash, f.block7) << f.name;
        EXPECT_EQ (render (*preset, 64).hash, f.block64) << f.name;
        EXPECT_EQ (rendering.hash, f.block512) << f.name;
    }
}
