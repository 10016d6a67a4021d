#include "FactoryBankFile.h"
#include "QmParameter.h"
#include "QmSynthEngine.h"
#include "XMLMarshaller.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

TEST (FactoryBank, HoldsTheEnginesDefaultAndSoundsWithValidValues)
{
    const auto source = findFactoryBankSource();
    XMLMarshaller marshaller;
    juce::FileInputStream in (source);
    auto root = marshaller.parse (in);
    ASSERT_NE (root, nullptr) << source.getFullPathName();

    auto bank = marshaller.bankFromXml (root.get());
    EXPECT_EQ (bank->name, "Vorlan");
    EXPECT_EQ (bank->presets.size(), root->getChildByName ("presets")->getNumChildElements());   // no name repeats
    ASSERT_GE (bank->presets.size(), 16);

    // "default" is where the engine starts; every value is finite, in range
    // and on one of its parameter's steps.
    QmSynthEngine engine;
    auto* defaults = bank->findPresetByName ("default");
    ASSERT_NE (defaults, nullptr);
    for (int i = 0; i < QmParam::count; ++i)
        EXPECT_NEAR (defaults->params[i], engine.parameters[i]->value, 1.0e-6) << i;

    for (auto* p : bank->presets)
    {
        ASSERT_EQ (p->params.size(), QmParam::count) << p->name;
        for (int i = 0; i < QmParam::count; ++i)
        {
            const auto v = p->params[i], k = v * (float) juce::jmax (1, engine.parameters[i]->steps - 1);
            EXPECT_TRUE (std::isfinite (v) && v >= 0.0f && v <= 1.0f) << p->name << " " << i;
            EXPECT_TRUE (engine.parameters[i]->steps == 0 || std::abs (k - std::round (k)) < 1.0e-4f) << p->name << " " << i;
        }
    }

    // The file is exactly what the bank writer produces for it.
    juce::MemoryOutputStream out;
    marshaller.write (marshaller.bankToXml (bank.get()).get(), out, marshaller.getDTD());
    EXPECT_EQ (out.toString(), source.loadFileAsString());
}

TEST (FactoryBank, EveryPresetPlaysANoteAudiblyAndBounded)
{
    XMLMarshaller marshaller;
    juce::FileInputStream in (findFactoryBankSource());
    auto root = marshaller.parse (in);
    ASSERT_NE (root, nullptr);
    auto bank = marshaller.bankFromXml (root.get());

    QmSynthEngine engine;
    std::vector<float> left (512), right (512);
    auto note = [] (int gate)
    {
        QmMidiEvent e;
        e.note = 48;
        e.gate = (uint8_t) gate;
        e.value = gate ? 100.0f / 127.0f : 1.0f;
        return e;
    };

    for (auto* preset : bank->presets)
    {
        for (int i = 0; i < QmParam::count; ++i)
            engine.parameters[i]->setValue (preset->params[i]);

        // Half a second held at 44.1 kHz, then a second released.
        double sum = 0.0;
        float peak = 0.0f;
        for (int block = 0; block < 130; ++block)
        {
            std::vector<QmMidiEvent> events;
            if (block == 0 || block == 43)
                events.push_back (note (block == 0 ? 1 : 0));
            engine.renderBlock (left.data(), right.data(), events, 512);

            for (float s : left)
            {
                ASSERT_TRUE (std::isfinite (s)) << preset->name;
                peak = std::max (peak, std::abs (s));
                if (block < 43)
                    sum += (double) s * s;
            }
        }

        const double rms = std::sqrt (sum / (43.0 * 512.0));
        EXPECT_GT (rms, 0.005) << preset->name;
        EXPECT_LT (peak, 1.5f) << preset->name;
    }
}
