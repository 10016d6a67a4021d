#pragma once

#include <juce_core/juce_core.h>

/** Reads XML documents from bytes that anyone may have written: state chunks,
    bank files and the MIDI map.

    It accepts only what our documents hold: the XML declaration (UTF-8), one
    tree of elements with attributes and text, comments between elements, the
    five predefined entities and numeric character references. A DTD, a
    processing instruction, a CDATA section, malformed markup or references, and
    documents beyond the limits are refused whole. Parsing runs without
    recursion, so no input can exhaust the stack.

    The tree has the shape juce::XmlDocument gives our documents: whitespace-only
    text is dropped, text broken up by comments is one text element, and line
    breaks in text read as "\n".
*/
class QmXmlReader
{
public:
    struct Limits
    {
        juce::int64 maxBytes = 16 * 1024 * 1024;
        int maxDepth = 8;                  // element nesting, the root being 1
        int maxNodes = 1 << 18;            // elements and text elements in all
        int maxAttributesPerElement = 16;
    };

    QmXmlReader() = default;
    explicit QmXmlReader (Limits limitsToUse) : limits (limitsToUse) {}

    /** The root element, or null when the document is refused. */
    std::unique_ptr<juce::XmlElement> read (const void* data, size_t numBytes);

    /** Reads the rest of the stream, never more than one byte beyond the size limit. */
    std::unique_ptr<juce::XmlElement> read (juce::InputStream& input);

    /** Why the last document was refused; empty after one was read. */
    const juce::String& getLastError() const noexcept   { return lastError; }

    const Limits& getLimits() const noexcept            { return limits; }

    /** True for a regular file (or a link to one). Nothing else is opened as a
        document: reading a FIFO or a device blocks or never ends. */
    static bool isRegularFile (const juce::File& file);

private:
    struct Parse;

    Limits limits;
    juce::String lastError;
};
