#pragma once

#include "QmBank.h"

/** Maps banks and presets to and from XML element trees, and reads and writes
    the documents that hold them.

    XMLMarshaller is the one implementation; this base supplies the document
    reading and writing. Every named value is a child element holding the value
    as text; elements carry no attributes.
*/
class PresetMarshaller
{
public:
    virtual std::unique_ptr<QmBank> bankFromXml (juce::XmlElement* root) = 0;
    virtual std::unique_ptr<juce::XmlElement> bankToXml (QmBank* bank) = 0;
    virtual std::unique_ptr<juce::XmlElement> presetToXml (QmPreset* preset) = 0;
    virtual QmPreset::Ptr presetFromXml (juce::XmlElement* element) = 0;

    virtual ~PresetMarshaller() = default;

    virtual void setField (juce::XmlElement* element, const juce::String& name, const char* value) = 0;
    virtual void setField (juce::XmlElement* element, const juce::String& name, const juce::String& value) = 0;
    virtual void setField (juce::XmlElement* element, const juce::String& name, double value) = 0;
    virtual void setField (juce::XmlElement* element, const juce::String& name, float value) = 0;
    virtual void setField (juce::XmlElement* element, const juce::String& name, juce::uint32 value) = 0;
    virtual void setField (juce::XmlElement* element, const juce::String& name, juce::int64 value) = 0;
    virtual void setField (juce::XmlElement* element, const juce::String& name, bool value) = 0;

    virtual juce::String getStringField (const juce::XmlElement* element, const juce::String& name, const juce::String& defaultValue) = 0;
    virtual double getDoubleField (const juce::XmlElement* element, const juce::String& name, double defaultValue) = 0;
    virtual float getFloatField (const juce::XmlElement* element, const juce::String& name, float defaultValue) = 0;
    virtual int getIntField (const juce::XmlElement* element, const juce::String& name, int defaultValue) = 0;
    virtual juce::int64 getInt64Field (const juce::XmlElement* element, const juce::String& name, juce::int64 defaultValue) = 0;
    virtual bool getBoolField (const juce::XmlElement* element, const juce::String& name, bool defaultValue) = 0;

    virtual std::unique_ptr<juce::XmlElement> createBankElement() = 0;
    virtual std::unique_ptr<juce::XmlElement> createListElement() = 0;
    virtual std::unique_ptr<juce::XmlElement> createDictElement() = 0;

    /** Both append child (owned from then on) as the last child of parent; a
        null child is ignored and the key is not stored. */
    virtual void addChildElement (juce::XmlElement* parent, juce::XmlElement* child, const juce::String& key) = 0;
    virtual void appendChildElement (juce::XmlElement* parent, juce::XmlElement* child, const juce::String& key) = 0;

    /** The children of element's first child named name (ignoring case), or of
        element itself when name is empty. */
    virtual juce::Array<juce::XmlElement*> getChildElements (const juce::XmlElement* element, const juce::String& name) = 0;

    /** The first child named name (ignoring case); null when name is empty or none matches. */
    virtual juce::XmlElement* getChildByName (const juce::XmlElement* element, const juce::String& name) = 0;

    /** Reads the rest of the stream as an untrusted document (QmXmlReader).
        Null for a document that is refused: malformed, larger than maxBytes,
        nested deeper than maxDocumentDepth, or holding anything our writers
        never write (a DTD, processing instructions, CDATA sections). */
    virtual std::unique_ptr<juce::XmlElement> parse (juce::InputStream& input, juce::int64 maxBytes = maxFileBytes);

    /** Writes the document text (UTF-8 header, two-space indentation, CR LF line
        breaks) and flushes the stream. */
    virtual void write (juce::XmlElement* element, juce::OutputStream& output, const juce::String& dtd);

    /** No DTD is written. */
    virtual juce::String getDTD();

    /** The name without the control characters that XML 1.0 cannot hold (all
        below U+0020 but tab, line feed and carriage return): the framework's
        writer would write them as references that no reader accepts, and the
        whole document would be refused. Line breaks become line feeds, as
        every XML reader reads them, so names that differ only there are one
        name in memory as on disk. Applied where names come in. */
    static juce::String writableName (const juce::String& name);

    /** Reads a bank document within the bank limits below. */
    std::unique_ptr<juce::XmlElement> parseBank (juce::InputStream& input);

    /** Whether parseBank takes this bank document back, written in numBytes:
        within the byte and node limits, with at most maxBankPresets presets.
        Checked before any bank is written, so that none is ever written that
        the next start would skip. */
    static bool isReadableBank (const juce::XmlElement& root, juce::int64 numBytes);

    /** The deepest element nesting accepted: banks nest four levels, the state chunk two. */
    static constexpr int maxDocumentDepth = 8;

    /** The largest document accepted (the MIDI map's); a bank file may be larger. */
    static constexpr juce::int64 maxFileBytes = 16 * 1024 * 1024;

    /** The most presets a bank holds; a bank file holding more is not read. */
    static constexpr int maxBankPresets = 100000;

    /** The most nodes (elements and texts) bankToXml writes for one preset:
        the element, its seven fields and their texts. */
    static constexpr int maxNodesPerPreset = 15;

    /** Enough nodes for every bank of maxBankPresets presets as bankToXml
        writes it ("bank", "name" and its text, "presets"), so that a bank read
        within the limits can always be written back within them. A document
        reaches this with far fewer presets only when it holds other elements. */
    static constexpr int maxBankNodes = 4 + maxNodesPerPreset * maxBankPresets;

    /** The largest bank file accepted: maxBankPresets presets as the plug-in
        writes them (every parameter at six digits, names of 20 characters)
        fit. Reading the largest takes up to about 400 MB for a moment. */
    static constexpr juce::int64 maxBankBytes = 64 * 1024 * 1024;

    /** The largest state chunk accepted; one preset takes about a kilobyte. */
    static constexpr juce::int64 maxStateBytes = 1024 * 1024;

    /** The longest preset or bank name a state chunk carries: two such names,
        every character written as its longest reference, stay within
        maxStateBytes. A longer name, which only a hand-made bank can hold, is
        cut so that the sound is restored whatever it holds. */
    static constexpr int maxStateNameLength = 65536;
};
