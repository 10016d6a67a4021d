#include "QmXmlReader.h"
#include "XMLMarshaller.h"

#include <gtest/gtest.h>

#include <chrono>

namespace
{
    std::unique_ptr<juce::XmlElement> readText (const juce::String& text, QmXmlReader::Limits limits = {})
    {
        return QmXmlReader (limits).read (text.toRawUTF8(), text.getNumBytesAsUTF8());
    }

    juce::String writtenText (juce::XmlElement& element)
    {
        XMLMarshaller marshaller;
        juce::MemoryOutputStream out;
        marshaller.write (&element, out, marshaller.getDTD());
        return out.toString();
    }

    juce::String nested (int depth)
    {
        return juce::String::repeatedString ("<a>", depth) + juce::String::repeatedString ("</a>", depth);
    }
}

TEST (XmlReader, EveryDocumentWeWriteReadsBackAsTheFrameworkReadsIt)
{
    QmBank bank;
    bank.name = "B & <\"quoted\"> 'bank'";

    for (auto name : { juce::String ("plain"), juce::String ("  spaced  "), juce::String ("tab\tand\nline\x01"),
                       juce::String::fromUTF8 (u8"\u00e9t\u00e9 \u266b \U0001F3B9 >]]> &amp;"), juce::String() })
    {
        QmPreset::Ptr preset (new QmPreset());
        preset->name = name;
        preset->tags = { 1, 42 };
        preset->params = { 0.5f, 1e-5f, 1.0f };
        bank.addPreset (preset.get());
    }

    XMLMarshaller marshaller;
    auto bankElement = marshaller.bankToXml (&bank);

    juce::XmlElement map ("midimapper");
    auto* key = map.createNewChildElement ("dict")->createNewChildElement ("key");
    key->setAttribute ("param", "5 & \"7\"\r\n\t<x>");
    key->addTextElement ("74");

    for (auto* element : { bankElement.get(), &map })
    {
        const auto text = writtenText (*element);
        auto ours = readText (text);
        auto framework = juce::parseXML (text);
        ASSERT_NE (ours, nullptr) << text;
        EXPECT_TRUE (ours->isEquivalentTo (framework.get(), false)) << text;
    }

    auto readBank = marshaller.bankFromXml (readText (writtenText (*bankElement)).get());
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
}

TEST (XmlReader, TheHangCrashAndOverreadInputsAndEverythingOutsideOurFormatsAreRefused)
{
    const juce::String deepBehindComment = "<preset <!-- \" -->>" + nested (100000);

    for (auto bad : { juce::String ("<preset><?x?>a</preset>"),
                      juce::String ("<preset><name>x</name><?pi data?>text text</preset>"),
                      juce::String ("<a <!-- > </b> -->>") + nested (50000) + "</a>",
                      deepBehindComment,
                      juce::String ("<n>&#x"), juce::String ("<n>&#x;</n>"), juce::String ("<n>&#1114112;</n>"),
                      juce::String ("<n>&#0;</n>"), juce::String ("<n>&AMP;</n>"), juce::String ("<n>&nbsp;</n>"), juce::String ("<n>& </n>"),
                      juce::String ("<!DOCTYPE r [<!ENTITY a \"x\">]><r>&a;</r>"), juce::String ("<!DOCTYPE r SYSTEM \"/etc/passwd\"><r/>"),
                      juce::String ("<r><![CDATA[x]]></r>"), juce::String ("<?pi?><r/>"), juce::String ("<r/><?pi?>"),
                      juce::String ("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><r/>"),
                      juce::String ("<r></R>"), juce::String ("<r a='1' a='2'/>"), juce::String ("<r/><r/>"), juce::String ("text"),
                      juce::String ("<r>"), juce::String ("<r><!-- unterminated </r>"), juce::String(),
                      nested (9), nested (200000) })
        EXPECT_EQ (readText (bad), nullptr) << bad.substring (0, 60);

    EXPECT_NE (readText (nested (8)), nullptr);
    const char utf16[] = "\xff\xfe<\0r\0/\0>\0";
    EXPECT_EQ (QmXmlReader().read (utf16, sizeof (utf16) - 1), nullptr);

    QmXmlReader::Limits small;
    small.maxBytes = 10;
    small.maxNodes = 3;
    small.maxAttributesPerElement = 2;
    EXPECT_NE (readText ("<r a='1'/>", small), nullptr);
    EXPECT_EQ (readText ("<r a='1' />", small), nullptr);

    small.maxBytes = 1000;
    EXPECT_NE (readText ("<r><a/>x</r>", small), nullptr);
    EXPECT_EQ (readText ("<r><a/>x<b/></r>", small), nullptr);
    EXPECT_EQ (readText ("<r a='1' b='2' c='3'/>", small), nullptr);

    // A stream longer than the limit is refused without being read whole.
    QmXmlReader reader (small);
    juce::MemoryInputStream tooLong (juce::String::repeatedString (" ", 5000).toRawUTF8(), 5000, false);
    EXPECT_EQ (reader.read (tooLong), nullptr);
    EXPECT_EQ (reader.getLastError(), "too large");
}

TEST (XmlReader, ManyChildrenAreReadInLinearTime)
{
    const auto text = "<r>" + juce::String::repeatedString ("<k p='1'>2</k>", 120000) + "</r>";
    const auto start = std::chrono::steady_clock::now();
    auto root = readText (text);
    ASSERT_NE (root, nullptr);
    EXPECT_EQ (root->getNumChildElements(), 120000);
    EXPECT_LT (std::chrono::steady_clock::now() - start, std::chrono::seconds (5));
}
