#include "PresetMarshaller.h"

namespace
{
    bool startsWith (const char* s, const char* prefix) noexcept
    {
        return std::strncmp (s, prefix, std::strlen (prefix)) == 0;
    }

    const char* skipPast (const char* s, const char* terminator) noexcept
    {
        const char* found = std::strstr (s, terminator);
        return found != nullptr ? found + std::strlen (terminator) : s + std::strlen (s);
    }

    /** Follows the markup as juce::XmlDocument will and tells whether the element
        nesting stays within the limit. Declarations ("<!DOCTYPE", "<!ENTITY") are
        refused outright: none of our documents carries one, and the parser would
        expand their entities without bound. Where the text is malformed this
        counts at least as many open elements as the parser would. */
    bool hasAcceptableMarkup (const char* s) noexcept
    {
        int depth = 0;

        while (*s != 0)
        {
            if (*s != '<')
            {
                ++s;
                continue;
            }

            if (startsWith (s, "<?"))
                s = skipPast (s + 2, "?>");
            else if (startsWith (s, "<!--"))
                s = skipPast (s + 4, "-->");
            else if (startsWith (s, "<![CDATA["))
                s = skipPast (s + 9, "]]>");
            else if (s[1] == '!')
                return false;
            else if (s[1] == '/')
            {
                --depth;
                s = skipPast (s + 2, ">");
            }
            else
            {
                const char* p = s + 1;

                for (char quote = 0; *p != 0; ++p)
                {
                    if (quote != 0)
                    {
                        if (*p == quote)
                            quote = 0;
                    }
                    else if (*p == '"' || *p == '\'')
                        quote = *p;
                    else if (*p == '>')
                        break;
                }

                const bool selfClosing = (*p == '>' && p[-1] == '/');

                if (! selfClosing && ++depth > PresetMarshaller::maxDocumentDepth)
                    return false;

                s = (*p != 0) ? p + 1 : p;
            }
        }

        return true;
    }
}

std::unique_ptr<juce::XmlElement> PresetMarshaller::parse (juce::InputStream& input, juce::int64 maxBytes)
{
    const auto length = input.getTotalLength();

    if (length > maxBytes)
        return {};

    // Streams of unknown length are read only one byte beyond the limit.
    juce::MemoryBlock data;
    input.readIntoMemoryBlock (data, (ssize_t) maxBytes + 1);

    if ((juce::int64) data.getSize() > maxBytes)
        return {};

    return parseText (juce::String::createStringFromData (data.getData(), (int) data.getSize()), maxBytes);
}

std::unique_ptr<juce::XmlElement> PresetMarshaller::parseText (const juce::String& text, juce::int64 maxBytes)
{
    if ((juce::int64) text.getNumBytesAsUTF8() > maxBytes || ! hasAcceptableMarkup (text.toRawUTF8()))
        return {};

    return juce::XmlDocument (text).getDocumentElement();
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
