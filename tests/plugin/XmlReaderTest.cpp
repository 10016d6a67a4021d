#include "NamedPreset.h"
#include "QmXmlReader.h"
#include "XMLMarshaller.h"

#include <gtest/gtest.h>

namespace
{
    std::unique_ptr<juce::XmlElement> readText (const juce::String& text, QmXmlReader::Limits limits = {})
        { return QmXmlReader (limits).read (text.toRawUTF8(), text.getNumBytesAsUTF8()); }

    juce::String nested (int depth)  { return juce::String::repeatedString ("<a>", depth) + juce::String::repeatedString ("</a>", depth); }
}

TEST (XmlReader, EveryDocumentWeWriteReadsBackAsTheFrameworkReadsItAndHostileOnesAreRefused)
{
    QmBank bank;
    bank.name = "B & <\"quoted\"> 'bank'";

    for (auto name : { juce::String ("plain"), juce::String ("  spaced  "), juce::String ("tab\tand\nline\x01"),
                       juce::String::fromUTF8 (u8"\u00e9t\u00e9 \u266b \U0001F3B9 >]]> &amp;"), juce::String() })
        bank.addPreset (namedPreset (name).get());

    // An attribute as the MIDI map writes them.
    XMLMarshaller marshaller;
    auto element = marshaller.bankToXml (&bank);
    element->setAttribute ("param", "5 & \"7\"\r\n\t<x>");
    juce::MemoryOutputStream out;
    marshaller.write (element.get(), out, marshaller.getDTD());
    const auto text = out.toString();
    auto ours = readText (text);
    ASSERT_NE (ours, nullptr) << text;
    EXPECT_TRUE (ours->isEquivalentTo (juce::parseXML (text).get(), false)) << text;

    auto readBank = marshaller.bankFromXml (ours.get());
    EXPECT_EQ (readBank->name, bank.name);
    ASSERT_EQ (readBank->presets.size(), bank.presets.size());

    for (int i = 0; i < bank.presets.size(); ++i)
        EXPECT_EQ (readBank->presets[i]->name, bank.presets[i]->name);

    // Comments between elements and inside text, references, CR LF line breaks.
    auto doc = readText (juce::String::fromUTF8 ("\xef\xbb\xbf<?xml version='1.0' encoding='utf-8' standalone='yes'?>\r\n<!-- c -->"
                         "<r a='&#x41;&#66;'><t>x<!-- hidden -->y&lt;&gt;&amp;&apos;&quot;&#x1F3B9;\r\nz</t>  <e/></r><!-- c -->"));
    ASSERT_NE (doc, nullptr);
    EXPECT_EQ (doc->getStringAttribute ("a"), "AB");
    EXPECT_EQ (doc->getChildByName ("t")->getAllSubText(), juce::String::fromUTF8 (u8"xy<>&'\"\U0001F3B9\nz"));
    EXPECT_EQ (doc->getNumChildElements(), 2);

    // Inputs that hang, crash, read past the end or are foreign are refused.
    for (juce::String bad : std::initializer_list<juce::String> {
             "<preset><?x?>a</preset>", "<preset><name>x</name><?pi data?>text text</preset>",
             "<a <!-- > </b> -->>" + nested (50000) + "</a>", "<preset <!-- \" -->>" + nested (100000),
             "<n>&#x", "<n>&#x;</n>", "<n>&#1114112;</n>", "<n>&#0;</n>", "<n>&AMP;</n>", "<n>&nbsp;</n>", "<n>& </n>",
             "<!DOCTYPE r [<!ENTITY a \"x\">]><r>&a;</r>", "<!DOCTYPE r SYSTEM \"/etc/passwd\"><r/>",
             "<r><![CDATA[x]]></r>", "<?pi?><r/>", "<r/><?pi?>", "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><r/>",
             "<r></R>", "<r a='1' a='2'/>", "<r/><r/>", "text", "<r>", "<r><!-- unterminated </r>", "", nested (9), nested (200000) })
        EXPECT_EQ (readText (bad), nullptr) << bad.substring (0, 60);

    EXPECT_NE (readText (nested (8)), nullptr);
    const char utf16[] = "\xff\xfe<\0r\0/\0>\0";
    EXPECT_EQ (QmXmlReader().read (utf16, sizeof (utf16) - 1), nullptr);

    // Bytes, nodes and attributes per element beyond the limits given.
    const QmXmlReader::Limits tiny { 10, 8, 3, 2 }, small { 1000, 8, 3, 2 };
    for (auto [text, limits, readable] : { std::tuple { "<r a='1'/>", tiny, true }, { "<r a='1' />", tiny, false }, { "<r><a/>x</r>", small, true },
                                           { "<r><a/>x<b/></r>", small, false }, { "<r a='1' b='2' c='3'/>", small, false } })
        EXPECT_EQ (readText (text, limits) != nullptr, readable) << text;

    // A stream longer than the limit is refused without being read whole.
    QmXmlReader reader (small);
    juce::MemoryInputStream tooLong (juce::String::repeatedString (" ", 5000).toRawUTF8(), 5000, false);
    EXPECT_EQ (reader.read (tooLong), nullptr);
    EXPECT_EQ (reader.getLastError(), "too large");

    // Many children: a reader slower than linear would not finish.
    auto root = readText ("<r>" + juce::String::repeatedString ("<k p='1'>2</k>", 120000) + "</r>");
    ASSERT_NE (root, nullptr);
    EXPECT_EQ (root->getNumChildElements(), 120000);
}
