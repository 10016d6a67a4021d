#include "QmXmlReader.h"

#include <expat.h>

#include <cstring>
#include <sys/stat.h>
#include <vector>

/** The state of one document while expat walks it. Children are collected per
    open element and linked in when it closes, so that building the tree takes
    time in proportion to its size (XmlElement appends by walking its list). */
struct QmXmlReader::Parse
{
    struct Open
    {
        juce::XmlElement* element;
        std::vector<juce::XmlElement*> children;
    };

    Parse (XML_Parser p, const Limits& l) : parser (p), limits (l) {}

    ~Parse()
    {
        // Children of elements still open belong to nobody yet.
        for (auto& open : stack)
            for (auto* child : open.children)
                delete child;
    }

    void fail (const char* why)
    {
        if (error.isEmpty())
            error = why;

        XML_StopParser (parser, XML_FALSE);
    }

    bool failed() const noexcept    { return error.isNotEmpty(); }

    bool countNode()
    {
        if (++numNodes <= limits.maxNodes)
            return true;

        fail ("too many elements");
        return false;
    }

    void flushText()
    {
        if (text.empty())
            return;

        auto content = juce::String::fromUTF8 (text.data(), (int) text.size());
        text.clear();

        // As juce::XmlDocument does: whitespace between elements is no text.
        if (! content.containsNonWhitespaceChars() || stack.empty() || ! countNode())
            return;

        stack.back().children.push_back (juce::XmlElement::createTextElement (content));
    }

    void startElement (const XML_Char* name, const XML_Char** attributes)
    {
        flushText();

        if ((int) stack.size() >= limits.maxDepth)
            return fail ("nested too deeply");

        if (! countNode())
            return;

        auto element = std::make_unique<juce::XmlElement> (juce::String::fromUTF8 (name));

        for (int i = 0; attributes[i] != nullptr; i += 2)
        {
            if (i / 2 >= limits.maxAttributesPerElement)
                return fail ("too many attributes");

            // expat has refused repeated names already, so each one is new.
            element->setAttribute (juce::Identifier (juce::String::fromUTF8 (attributes[i])),
                                   juce::String::fromUTF8 (attributes[i + 1]));
        }

        auto* raw = element.get();

        if (stack.empty())
            root = std::move (element);
        else
            stack.back().children.push_back (element.release());

        stack.push_back ({ raw, {} });
    }

    void endElement()
    {
        flushText();

        if (stack.empty())
            return;

        auto& open = stack.back();

        for (auto it = open.children.rbegin(); it != open.children.rend(); ++it)
            open.element->prependChildElement (*it);

        open.children.clear();
        stack.pop_back();
    }

    //==============================================================================
    static Parse& of (void* userData)   { return *static_cast<Parse*> (userData); }

    static void XMLCALL onStart (void* p, const XML_Char* name, const XML_Char** attributes)
    {
        if (! of (p).failed())
            of (p).startElement (name, attributes);
    }

    static void XMLCALL onEnd (void* p, const XML_Char*)
    {
        if (! of (p).failed())
            of (p).endElement();
    }

    static void XMLCALL onText (void* p, const XML_Char* s, int length)
    {
        if (! of (p).failed())
            of (p).text.append (s, (size_t) length);
    }

    static void XMLCALL onDeclaration (void* p, const XML_Char*, const XML_Char* encoding, int)
    {
        if (encoding != nullptr && juce::String::fromUTF8 (encoding).compareIgnoreCase ("UTF-8") != 0)
            of (p).fail ("not UTF-8");
    }

    static void XMLCALL onDoctype (void* p, const XML_Char*, const XML_Char*, const XML_Char*, int)
    {
        of (p).fail ("a document type declaration");
    }

    static void XMLCALL onEntityDeclaration (void* p, const XML_Char*, int, const XML_Char*, int,
                                             const XML_Char*, const XML_Char*, const XML_Char*, const XML_Char*)
    {
        of (p).fail ("an entity declaration");
    }

    static void XMLCALL onProcessingInstruction (void* p, const XML_Char*, const XML_Char*)
    {
        of (p).fail ("a processing instruction");
    }

    static void XMLCALL onCData (void* p)
    {
        of (p).fail ("a CDATA section");
    }

    static void XMLCALL onSkippedEntity (void* p, const XML_Char*, int)
    {
        of (p).fail ("an unknown entity");
    }

    //==============================================================================
    XML_Parser parser;
    const Limits& limits;
    std::unique_ptr<juce::XmlElement> root;
    std::vector<Open> stack;
    std::string text;
    int numNodes = 0;
    juce::String error;
};

//==============================================================================
std::unique_ptr<juce::XmlElement> QmXmlReader::read (const void* data, size_t numBytes)
{
    lastError.clear();

    if ((juce::int64) numBytes > limits.maxBytes || numBytes > (size_t) std::numeric_limits<int>::max())
    {
        lastError = "too large";
        return {};
    }

    // No UTF-8 document holds a zero byte; UTF-16 and UTF-32 ones do.
    if (numBytes > 0 && std::memchr (data, 0, numBytes) != nullptr)
    {
        lastError = "not UTF-8";
        return {};
    }

    // The encoding is fixed: a declaration naming another one is refused above.
    const std::unique_ptr<std::remove_pointer_t<XML_Parser>, decltype (&XML_ParserFree)>
        parser (XML_ParserCreate ("UTF-8"), &XML_ParserFree);

    if (parser == nullptr)
    {
        lastError = "out of memory";
        return {};
    }

    Parse parse (parser.get(), limits);
    XML_SetUserData (parser.get(), &parse);
    XML_SetElementHandler (parser.get(), Parse::onStart, Parse::onEnd);
    XML_SetCharacterDataHandler (parser.get(), Parse::onText);
    XML_SetXmlDeclHandler (parser.get(), Parse::onDeclaration);
    XML_SetStartDoctypeDeclHandler (parser.get(), Parse::onDoctype);
    XML_SetEntityDeclHandler (parser.get(), Parse::onEntityDeclaration);
    XML_SetProcessingInstructionHandler (parser.get(), Parse::onProcessingInstruction);
    XML_SetStartCdataSectionHandler (parser.get(), Parse::onCData);
    XML_SetSkippedEntityHandler (parser.get(), Parse::onSkippedEntity);
    XML_SetParamEntityParsing (parser.get(), XML_PARAM_ENTITY_PARSING_NEVER);

    const auto status = XML_Parse (parser.get(), static_cast<const char*> (data), (int) numBytes, XML_TRUE);

    if (parse.failed())
        lastError = parse.error;
    else if (status != XML_STATUS_OK)
        lastError = juce::String::fromUTF8 (XML_ErrorString (XML_GetErrorCode (parser.get())));
    else if (parse.root == nullptr || ! parse.stack.empty())
        lastError = "no element";

    if (lastError.isNotEmpty())
        return {};

    return std::move (parse.root);
}

std::unique_ptr<juce::XmlElement> QmXmlReader::read (juce::InputStream& input)
{
    const auto remaining = input.getNumBytesRemaining();

    if (remaining > limits.maxBytes)
    {
        lastError = "too large";
        return {};
    }

    // Streams of unknown length are read only one byte beyond the limit.
    juce::MemoryBlock data;
    input.readIntoMemoryBlock (data, (ssize_t) juce::jmin (limits.maxBytes + 1, (juce::int64) std::numeric_limits<int>::max()));
    return read (data.getData(), data.getSize());
}

bool QmXmlReader::isRegularFile (const juce::File& file)
{
    struct stat info;
    return ::stat (file.getFullPathName().toRawUTF8(), &info) == 0 && S_ISREG (info.st_mode);
}
