#include "PresetMarshaller.h"

#include "QmXmlReader.h"

#include <vector>

std::unique_ptr<juce::XmlElement> PresetMarshaller::parse (juce::InputStream& input, juce::int64 maxBytes)
{
    QmXmlReader::Limits limits;
    limits.maxBytes = maxBytes;
    limits.maxDepth = maxDocumentDepth;
    return QmXmlReader (limits).read (input);
}

std::unique_ptr<juce::XmlElement> PresetMarshaller::parseBank (juce::InputStream& input)
{
    QmXmlReader::Limits limits;
    limits.maxBytes = maxBankBytes;
    limits.maxDepth = maxDocumentDepth;
    limits.maxNodes = maxBankNodes;
    return QmXmlReader (limits).read (input);
}

bool PresetMarshaller::isReadableBank (const juce::XmlElement& root, juce::int64 numBytes)
{
    if (numBytes > maxBankBytes)
        return false;

    // Counted as the reader counts: texts of whitespace only are dropped.
    juce::int64 nodes = 0;
    std::vector<const juce::XmlElement*> pending { &root };

    while (! pending.empty())
    {
        const auto* element = pending.back();
        pending.pop_back();

        if (! element->isTextElement() || element->getText().containsNonWhitespaceChars())
            ++nodes;

        for (auto* child : element->getChildIterator())
            pending.push_back (child);
    }

    int presets = 0;

    if (auto* list = root.getChildByName ("presets"))
        for (auto* child : list->getChildIterator())
            presets += child->isTextElement() ? 0 : 1;

    return nodes <= maxBankNodes && presets <= maxBankPresets;
}

void PresetMarshaller::write (juce::XmlElement* element, juce::OutputStream& output, const juce::String& dtd)
{
    if (element == nullptr)
        return;

    juce::XmlElement::TextFormat format;
    format.dtd = dtd;
    format.lineWrapLength = 60;
    format.newLineChars = "\r\n";
    element->writeTo (output, format);
    output.flush();
}

juce::String PresetMarshaller::getDTD()
{
    return {};
}

juce::String PresetMarshaller::writableName (const juce::String& name)
{
    // Kept in one buffer: a string grown by one character is copied whole,
    // which a name of megabytes would make take hours.
    std::vector<juce::juce_wchar> kept;
    kept.reserve (name.getNumBytesAsUTF8() + 1);

    for (auto p = name.getCharPointer(); ! p.isEmpty();)
    {
        const auto c = p.getAndAdvance();

        if (c == '\r')
        {
            // Read back, every line break is a line feed.
            if (*p == '\n')
                ++p;

            kept.push_back ('\n');
        }
        else if (c >= 0x20 || c == '\t' || c == '\n')
        {
            kept.push_back (c);
        }
    }

    kept.push_back (0);
    return juce::String (juce::CharPointer_UTF32 (kept.data()));
}
