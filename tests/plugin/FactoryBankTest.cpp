#include "FactoryBankFile.h"
#include "QmParameter.h"
#include "QmSynthEngine.h"
#include "XMLMarshaller.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>

TEST (FactoryBank, HoldsDefaultAndSoundsWithValidValues)
{
    const auto source = findFactoryBankSource();
    ASSERT_TRUE (source.existsAsFile());

    XMLMarshaller marshaller;
    juce::FileInputStream in (source);
    auto root = marshaller.parse (in);
    ASSERT_NE (root, nullptr);
    EXPECT_EQ (root->getTagName(), "bank");

    auto bank = marshaller.bankFromXml (root.get());
    EXPECT_EQ (bank->name, "Vorlan");
    EXPECT_EQ (bank->presets.size(), root->getChildByName ("presets")->getNumChildElements());   // no name repeats
    ASSERT_GE (bank->presets.size(), 16);
    ASSERT_NE (bank->findPresetByName ("default"), nullptr);

    // Choice parameters by index, with their number of options.
    const std::map<int, int> choices { { 0, 6 }, { 2, 7 }, { 3, 3 }, { 4, 4 }, { 5, 3 }, { 12, 3 }, { 13, 4 },
                                       { 18, 2 }, { 21, 2 }, { 26, 7 }, { 27, 3 }, { 31, 3 }, { 34, 2 },
                                       { 36, 2 }, { 37, 6 }, { 38, 2 }, { 39, 2 }, { 42, 5 }, { 43, 2 } };
    juce::StringArray uuids;

    for (auto* preset : bank->presets)
    {
        SCOPED_TRACE (preset->name);
        EXPECT_EQ (preset->pluginVersion, "1.0.0");
        EXPECT_FALSE (preset->uuid.isNull());
        uuids.addIfNotAlreadyThere (preset->uuid.toString());
        ASSERT_EQ (preset->params.size(), 44);

        for (int i = 0; i < 44; ++i)
        {
            const auto v = preset->params[i];
            EXPECT_TRUE (std::isfinite (v) && v >= 0.0f && v <= 1.0f) << "parameter " << i;

            if (auto it = choices.find (i); it != choices.end())
            {
                const auto k = v * (float) (it->second - 1);
                EXPECT_NEAR (k, std::round (k), 1.0e-4) << "parameter " << i;
            }
        }
    }

    EXPECT_EQ (uuids.size(), bank->presets.size());

    // The file is exactly what the bank writer produces for it.
    juce::MemoryOutputStream out;
    marshaller.write (marshaller.bankToXml (bank.get()).get(), out, marshaller.getDTD());
    EXPECT_EQ (out.toString(), source.loadFileAsString());
}

TEST (FactoryBank, DefaultPresetIsTheEnginesStartingPoint)
{
    juce::FileInputStream in (findFactoryBankSource());
    XMLMarshaller marshaller;
    auto root = marshaller.parse (in);
    ASSERT_NE (root, nullptr);
    auto bank = marshaller.bankFromXml (root.get());
    auto* preset = bank->findPresetByName ("default");
    ASSERT_NE (preset, nullptr);
    ASSERT_EQ (preset->params.size(), QmSynthEngine::numParameters);

    QmSynthEngine engine;

    for (int i = 0; i < QmSynthEngine::numParameters; ++i)
        EXPECT_NEAR (preset->params[i], engine.parameters[i]->value, 1.0e-6) << "parameter " << i;
}
