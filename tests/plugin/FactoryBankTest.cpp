#include "QmParameter.h"
#include "QmSynthEngine.h"
#include "XMLMarshaller.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

TEST (FactoryBank, HoldsTheEnginesDefaultAndEveryPresetPlaysANoteAudiblyWithinTheUntouchedRange)
{
    const juce::File source (VORLAN_RESOURCES_DIR "/banks/vorlan.xml");
    XMLMarshaller marshaller;
    juce::FileInputStream in (source);
    auto root = marshaller.parse (in);
    ASSERT_NE (root, nullptr) << source.getFullPathName();

    auto bank = marshaller.bankFromXml (root.get());
    EXPECT_EQ (bank->name, "Vorlan");
    EXPECT_EQ (bank->presets.size(), root->getChildByName ("presets")->getNumChildElements());   // no name repeats
    ASSERT_GE (bank->presets.size(), 16);

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

    // Every value is in range and on one of its parameter's steps; a note held
    // for half a second at 44.1 kHz and released for one sounds, and stays
    // within the output stage's untouched range.
    std::vector<float> left (512), right (512);
    const std::vector<QmMidiEvent> none, noteOn { { QmMidiEvent::typeNote, 48, 1, 0, 100.0f / 127.0f } }, noteOff { { QmMidiEvent::typeNote, 48, 0, 0, 1.0f } };

    for (auto* preset : bank->presets)
    {
        ASSERT_EQ (preset->params.size(), QmParam::count) << preset->name;
        for (int i = 0; i < QmParam::count; ++i)
        {
            const auto v = preset->params[i], k = v * (float) juce::jmax (1, engine.parameters[i]->steps - 1);
            EXPECT_GE (v, 0.0f) << preset->name << " " << i;
            EXPECT_LE (v, 1.0f) << preset->name << " " << i;
            EXPECT_TRUE (engine.parameters[i]->steps == 0 || std::abs (k - std::round (k)) < 1.0e-4f)
                << preset->name << " " << i << ": " << v << " of " << engine.parameters[i]->steps << " steps";
            engine.parameters[i]->setValue (v);
        }

        double sum = 0.0;
        float peak = 0.0f;
        for (int block = 0; block < 130; ++block)
        {
            engine.renderBlock (left.data(), right.data(), block == 0 ? noteOn : block == 43 ? noteOff : none, 512);

            for (float s : left)
            {
                peak = std::isfinite (s) ? std::max (peak, std::abs (s)) : INFINITY;
                sum += block < 43 ? (double) s * s : 0.0;
            }
        }

        EXPECT_GT (std::sqrt (sum / (43.0 * 512.0)), 0.005) << preset->name;
        EXPECT_LT (peak, 1.5f) << preset->name;
    }
}
