#include "QmFileWriter.h"
#include "XMLMarshaller.h"

#include <gtest/gtest.h>

#include <climits>

namespace
{
    juce::String documentText (juce::XmlElement* element)
    {
        XMLMarshaller marshaller;
        juce::MemoryOutputStream out;
        marshaller.write (element, out, marshaller.getDTD());
        return out.toString();
    }

    std::unique_ptr<juce::XmlElement> parseString (const juce::String& text, juce::int64 maxBytes = PresetMarshaller::maxFileBytes)
    {
        XMLMarshaller marshaller;
        juce::MemoryInputStream in (text.toRawUTF8(), text.getNumBytesAsUTF8(), false);
        return marshaller.parse (in, maxBytes);
    }

    QmPreset::Ptr presetFrom (const juce::String& xml)
    {
        auto element = parseString (xml);
        return element != nullptr ? XMLMarshaller().presetFromXml (element.get()) : nullptr;
    }
}

TEST (XmlMarshaller, BankFileHasTheExactBytes)
{
    QmBank bank;
    bank.name = "Test & Co";

    QmPreset::Ptr preset (new QmPreset());
    preset->name = "Lead";
    preset->pluginVersion = "1.0.0";
    preset->fav = true;
    preset->uuid = juce::String ("00112233445566778899aabbccddeeff");
    preset->tags = { 3, 12 };
    preset->params = { 0.75f, 1.0f, 0.0f, 0.123456789f, 0.00001f };
    bank.addPreset (preset.get());

    XMLMarshaller marshaller;
    EXPECT_EQ (documentText (marshaller.bankToXml (&bank).get()),
               "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n\r\n"
               "<bank>\r\n"
               "  <name>Test &amp; Co</name>\r\n"
               "  <presets>\r\n"
               "    <preset>\r\n"
               "      <name>Lead</name>\r\n"
               "      <version>1.0</version>\r\n"
               "      <pluginVersion>1.0.0</pluginVersion>\r\n"
               "      <fav>true</fav>\r\n"
               "      <uuid>00112233445566778899aabbccddeeff</uuid>\r\n"
               "      <tags>3,12</tags>\r\n"
               "      <params>0.75,1,0,0.123457,1e-05</params>\r\n"
               "    </preset>\r\n"
               "  </presets>\r\n"
               "</bank>\r\n");

    QmBank empty;
    empty.name = "Empty";
    EXPECT_EQ (documentText (marshaller.bankToXml (&empty).get()),
               "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n\r\n"
               "<bank>\r\n  <name>Empty</name>\r\n  <presets/>\r\n</bank>\r\n");
}

TEST (XmlMarshaller, PresetSurvivesAWriteAndRead)
{
    QmPreset::Ptr preset (new QmPreset());
    preset->name = "Pluck <1>";
    preset->fav = true;
    preset->tags = { 7, -2 };
    preset->params = { 0.123456789f, 1.0f, 0.3f };

    XMLMarshaller marshaller;
    auto back = presetFrom (documentText (marshaller.presetToXml (preset.get()).get()));
    ASSERT_NE (back, nullptr);
    EXPECT_EQ (back->name, preset->name);
    EXPECT_TRUE (back->fav);
    EXPECT_EQ (back->uuid, preset->uuid);
    EXPECT_EQ (back->tags, preset->tags);
    EXPECT_EQ (back->version, "1.0");
    EXPECT_EQ (back->pluginVersion, "1.0.0");   // written empty, read as the default
    ASSERT_EQ (back->params.size(), 3);
    EXPECT_FLOAT_EQ (back->params[0], 0.123457f);
    EXPECT_EQ (back->params[1], 1.0f);
    EXPECT_EQ (back->bank, nullptr);
}

TEST (XmlMarshaller, FieldsAreReadLeniently)
{
    auto p = presetFrom ("<preset><NAME>Upper</NAME><fav>TRUE</fav><tags>1,x,3</tags>"
                         "<params>0.5,nan,-inf,1e300,junk,0.25</params><uuid></uuid></preset>");
    ASSERT_NE (p, nullptr);
    EXPECT_EQ (p->name, "Upper");
    EXPECT_TRUE (p->fav);
    EXPECT_EQ (p->tags, juce::Array<int> ({ 1, 0, 3 }));
    EXPECT_EQ (p->params, juce::Array<float> ({ 0.5f, 0.0f, 0.0f, 0.0f, 0.0f, 0.25f }));   // nothing non-finite
    EXPECT_TRUE (p->uuid.isNull());
    EXPECT_EQ (p->version, "1.0");

    EXPECT_FALSE (presetFrom ("<preset><fav>1</fav></preset>")->fav);
    EXPECT_TRUE (presetFrom ("<preset><tags></tags></preset>")->tags.isEmpty());

    // A repeated preset name in one bank keeps the first.
    auto root = parseString ("<bank><name>B</name><presets><preset><name>X</name><params>0.1</params></preset>"
                             "<preset><name>X</name><params>0.9</params></preset></presets></bank>");
    auto bank = XMLMarshaller().bankFromXml (root.get());
    EXPECT_EQ (bank->name, "B");
    ASSERT_EQ (bank->presets.size(), 1);
    EXPECT_FLOAT_EQ (bank->presets[0]->params[0], 0.1f);
    EXPECT_EQ (bank->presets[0]->bank, bank.get());

    XMLMarshaller m;
    auto xml = parseString ("<r><Count>42</Count><Big>99999999999</Big><Ratio>inf</Ratio><Empty/></r>");
    EXPECT_EQ (m.getIntField (xml.get(), "count", 0), 42);
    EXPECT_EQ (m.getIntField (xml.get(), "big", 0), INT_MAX);
    EXPECT_EQ (m.getIntField (xml.get(), "missing", -7), -7);
    EXPECT_EQ (m.getDoubleField (xml.get(), "ratio", 2.0), 2.0);
    EXPECT_EQ (m.getStringField (xml.get(), "empty", "d"), "d");
}

TEST (XmlMarshaller, SetFieldReplacesOnlyTextValues)
{
    XMLMarshaller m;
    auto root = parseString ("<r><Name>old</Name><empty/></r>");
    m.setField (root.get(), "name", juce::String ("new"));
    m.setField (root.get(), "empty", true);
    m.setField (root.get(), "ratio", 0.5);
    m.setField (root.get(), "count", (juce::int64) -12);
    EXPECT_EQ (root->getNumChildElements(), 4);
    EXPECT_EQ (m.getStringField (root.get(), "NAME", {}), "new");
    EXPECT_EQ (m.getStringField (root.get(), "empty", "none"), "none");
    EXPECT_EQ (m.getStringField (root.get(), "ratio", {}), "0.5");
    EXPECT_EQ (m.getStringField (root.get(), "count", {}), "-12");
    EXPECT_EQ (m.getChildElements (root.get(), {}).size(), 4);
    EXPECT_EQ (m.getChildByName (root.get(), {}), nullptr);
}

TEST (XmlMarshaller, UnreadableAndHostileDocumentsAreRefused)
{
    const juce::String good ("<bank><name>B</name><presets/></bank>");
    EXPECT_NE (parseString (good), nullptr);

    EXPECT_EQ (parseString (""), nullptr);
    EXPECT_EQ (parseString ("not xml at all"), nullptr);
    EXPECT_EQ (parseString (good.dropLastCharacters (7)), nullptr);    // cut short

    auto nested = [] (int depth)
    {
        return juce::String::repeatedString ("<a>", depth) + juce::String::repeatedString ("</a>", depth);
    };
    EXPECT_NE (parseString (nested (PresetMarshaller::maxDocumentDepth)), nullptr);
    EXPECT_EQ (parseString (nested (PresetMarshaller::maxDocumentDepth + 1)), nullptr);
    EXPECT_EQ (parseString (nested (200000)), nullptr);                       // would overflow the stack
    EXPECT_EQ (parseString (juce::String::repeatedString ("<a x='/>'>", 9) + juce::String::repeatedString ("</a>", 9)), nullptr);
    EXPECT_NE (parseString ("<a><!-- <b><c><d><e><f><g><h><i> --><![CDATA[<x><x><x><x><x><x><x><x>]]></a>"), nullptr);

    // Entity expansion through a DTD.
    EXPECT_EQ (parseString ("<?xml version=\"1.0\"?><!DOCTYPE r [<!ENTITY a \"&b;&b;\"><!ENTITY b \"x\">]><r>&a;</r>"), nullptr);

    // Larger than the caller allows.
    EXPECT_EQ (parseString (good, good.length() - 1), nullptr);
    EXPECT_NE (parseString (good, good.length()), nullptr);
}

TEST (XmlMarshaller, FilesAreReplacedWholeOrNotAtAll)
{
    const auto dir = juce::File::getSpecialLocation (juce::File::userHomeDirectory).getChildFile ("atomic-write");
    dir.deleteRecursively();
    ASSERT_TRUE (dir.createDirectory());

    const auto target = dir.getChildFile ("bank.xml");
    EXPECT_TRUE (writeFileAtomically (target, juce::String ("first version, longer")));
    EXPECT_TRUE (writeFileAtomically (target, juce::String ("second")));
    EXPECT_EQ (target.loadFileAsString(), "second");
    EXPECT_EQ (dir.getNumberOfChildFiles (juce::File::findFilesAndDirectories), 1);   // no temporary left

    // A temporary that cannot be made: the old content stays.
    const auto blocker = dir.getChildFile (".bank.xml.tmp");
    ASSERT_TRUE (blocker.getChildFile ("x").create().wasOk());
    EXPECT_FALSE (writeFileAtomically (target, juce::String ("third")));
    EXPECT_EQ (target.loadFileAsString(), "second");

    EXPECT_FALSE (writeFileAtomically (dir, juce::String ("into a folder")));
    EXPECT_FALSE (writeFileAtomically (dir.getChildFile ("missing/x.xml"), juce::String ("x")));
    dir.deleteRecursively();
}
