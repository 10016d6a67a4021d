#include "PresetMarshaller.h"

#include "QmXmlReader.h"

std::unique_ptr<juce::XmlElement> PresetMarshaller::parse (juce::InputStream& input, juce::int64 maxBytes)
{
    QmXmlReader::Limits limits;
    limits.maxBytes = maxBytes;
    limits.maxDepth = maxDocumentDepth;
    return QmXmlReader (limits).read (input);
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
    juce::String result;

    for (auto p = name.getCharPointer(); ! p.isEmpty();)
    {
        const auto c = p.getAndAdvance();

        if (c == '\r')
        {
            // Read back, every line break is a line feed.
            if (*p == '\n')
                ++p;

            result << '\n';
        }
        else if (c >= 0x20 || c == '\t' || c == '\n')
        {
            result << c;
        }
    }

    return result;
}
