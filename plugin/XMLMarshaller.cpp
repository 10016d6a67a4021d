#include "XMLMarshaller.h"

#include <climits>
#include <cmath>
#include <limits>

//==============================================================================
std::unique_ptr<QmBank> XMLMarshaller::bankFromXml (juce::XmlElement* root)
{
    auto bank = std::make_unique<QmBank>();

    if (root == nullptr)
        return bank;

    bank->name = getStringField (root, "name", {});

    juce::ReferenceCountedArray<QmPreset> presets;

    for (auto* child : getChildElements (root, "presets"))
        if (! child->isTextElement())
            presets.add (presetFromXml (child));

    bank->addPresets (presets);   // a repeated name is refused and dropped
    return bank;
}

std::unique_ptr<juce::XmlElement> XMLMarshaller::bankToXml (QmBank* bank)
{
    auto root = createBankElement();

    if (bank == nullptr)
        return root;

    setField (root.get(), "name", bank->name);

    auto presets = std::make_unique<juce::XmlElement> ("presets");

    // Built from the end: appending walks the whole list each time.
    for (int i = bank->presets.size(); --i >= 0;)
        presets->prependChildElement (presetToXml (bank->presets.getObjectPointerUnchecked (i)).release());

    appendChildElement (root.get(), presets.release(), "presets");
    return root;
}

std::unique_ptr<juce::XmlElement> XMLMarshaller::presetToXml (QmPreset* preset)
{
    auto element = std::make_unique<juce::XmlElement> ("preset");

    if (preset == nullptr)
        return element;

    juce::StringArray tags;

    for (auto tag : preset->tags)
        tags.add (juce::String (tag));

    juce::StringArray params;

    for (auto value : preset->params)
        params.add (formatNumber ((double) value));

    setField (element.get(), "name", preset->name);
    setField (element.get(), "version", preset->version);
    setField (element.get(), "pluginVersion", preset->pluginVersion);
    setField (element.get(), "fav", preset->fav);
    setField (element.get(), "uuid", preset->uuid.toString());
    setField (element.get(), "tags", tags.joinIntoString (","));
    setField (element.get(), "params", params.joinIntoString (","));
    return element;
}

QmPreset::Ptr XMLMarshaller::presetFromXml (juce::XmlElement* element)
{
    QmPreset::Ptr preset (new QmPreset());

    if (element == nullptr)
        return preset;

    preset->name = getStringField (element, "name", {});
    preset->version = getStringField (element, "version", "1.0");
    preset->pluginVersion = getStringField (element, "pluginVersion", "1.0.0");
    preset->fav = getBoolField (element, "fav", false);
    preset->uuid = getStringField (element, "uuid", {});   // no text gives all zero bytes

    juce::StringArray pieces;
    pieces.addTokens (getStringField (element, "tags", {}), ",", {});

    for (auto& piece : pieces)
        preset->tags.add (readInt (piece));

    pieces.clear();
    pieces.addTokens (getStringField (element, "params", {}), ",", {});

    for (auto& piece : pieces)
        preset->params.add (readFiniteFloat (piece));

    return preset;
}

//==============================================================================
void XMLMarshaller::setField (juce::XmlElement* element, const juce::String& name, const char* value)
{
    setField (element, name, juce::String::fromUTF8 (value != nullptr ? value : ""));
}

void XMLMarshaller::setField (juce::XmlElement* element, const juce::String& name, const juce::String& value)
{
    if (element == nullptr || name.isEmpty())
        return;

    if (auto* child = getChildByName (element, name))
    {
        // Only a value child that already holds text is rewritten.
        if (auto* text = child->getFirstChildElement(); text != nullptr && text->isTextElement())
            text->setText (value);

        return;
    }

    auto* child = new juce::XmlElement (name);
    child->addTextElement (value);
    element->addChildElement (child);
}

void XMLMarshaller::setField (juce::XmlElement* element, const juce::String& name, double value)
{
    setField (element, name, formatNumber (value));
}

void XMLMarshaller::setField (juce::XmlElement* element, const juce::String& name, float value)
{
    setField (element, name, formatNumber ((double) value));
}

void XMLMarshaller::setField (juce::XmlElement* element, const juce::String& name, juce::uint32 value)
{
    setField (element, name, juce::String (value));
}

void XMLMarshaller::setField (juce::XmlElement* element, const juce::String& name, juce::int64 value)
{
    setField (element, name, juce::String (value));
}

void XMLMarshaller::setField (juce::XmlElement* element, const juce::String& name, bool value)
{
    setField (element, name, juce::String (value ? "true" : "false"));
}

//==============================================================================
juce::String XMLMarshaller::getStringField (const juce::XmlElement* element, const juce::String& name, const juce::String& defaultValue)
{
    const auto* child = getChildByName (element, name);

    if (child == nullptr)
        return defaultValue;

    const auto text = child->getAllSubText();
    return text.isEmpty() ? defaultValue : text;
}

double XMLMarshaller::getDoubleField (const juce::XmlElement* element, const juce::String& name, double defaultValue)
{
    const auto text = getStringField (element, name, {});

    if (text.isEmpty())
        return defaultValue;

    const auto value = readDouble (text);
    return std::isfinite (value) ? value : defaultValue;
}

float XMLMarshaller::getFloatField (const juce::XmlElement* element, const juce::String& name, float defaultValue)
{
    const auto text = getStringField (element, name, {});
    return text.isEmpty() ? defaultValue : readFiniteFloat (text);
}

int XMLMarshaller::getIntField (const juce::XmlElement* element, const juce::String& name, int defaultValue)
{
    const auto text = getStringField (element, name, {});
    return text.isEmpty() ? defaultValue : readInt (text);
}

juce::int64 XMLMarshaller::getInt64Field (const juce::XmlElement* element, const juce::String& name, juce::int64 defaultValue)
{
    const auto text = getStringField (element, name, {});
    return text.isEmpty() ? defaultValue : (juce::int64) readInt (text);
}

bool XMLMarshaller::getBoolField (const juce::XmlElement* element, const juce::String& name, bool defaultValue)
{
    const auto text = getStringField (element, name, {});
    return text.isEmpty() ? defaultValue : text.toLowerCase() == "true";
}

//==============================================================================
std::unique_ptr<juce::XmlElement> XMLMarshaller::createBankElement()  { return std::make_unique<juce::XmlElement> ("bank"); }
std::unique_ptr<juce::XmlElement> XMLMarshaller::createListElement()  { return std::make_unique<juce::XmlElement> ("list"); }
std::unique_ptr<juce::XmlElement> XMLMarshaller::createDictElement()  { return std::make_unique<juce::XmlElement> ("dict"); }

void XMLMarshaller::addChildElement (juce::XmlElement* parent, juce::XmlElement* child, const juce::String&)
{
    if (child == nullptr)
        return;

    if (parent == nullptr)
    {
        delete child;
        return;
    }

    parent->addChildElement (child);
}

void XMLMarshaller::appendChildElement (juce::XmlElement* parent, juce::XmlElement* child, const juce::String& key)
{
    addChildElement (parent, child, key);
}

juce::Array<juce::XmlElement*> XMLMarshaller::getChildElements (const juce::XmlElement* element, const juce::String& name)
{
    juce::Array<juce::XmlElement*> result;
    const auto* parent = name.isEmpty() ? element : getChildByName (element, name);

    if (parent != nullptr)
        for (auto* child : parent->getChildIterator())
            result.add (child);

    return result;
}

juce::XmlElement* XMLMarshaller::getChildByName (const juce::XmlElement* element, const juce::String& name)
{
    if (element == nullptr || name.isEmpty())
        return nullptr;

    for (auto* child : element->getChildIterator())
        if (child->getTagName().equalsIgnoreCase (name))
            return child;

    return nullptr;
}

//==============================================================================
juce::String XMLMarshaller::formatNumber (double value)
{
    return juce::String (value);
}

int XMLMarshaller::readInt (const juce::String& text)
{
    const long long value = std::strtoll (text.toRawUTF8(), nullptr, 10);
    return (int) juce::jlimit ((long long) INT_MIN, (long long) INT_MAX, value);
}

float XMLMarshaller::readFiniteFloat (const juce::String& text)
{
    const auto value = readDouble (text);

    // Out of float range counts as not finite: narrowing it would be undefined.
    if (! std::isfinite (value) || std::abs (value) > (double) std::numeric_limits<float>::max())
        return 0.0f;

    return (float) value;
}

double XMLMarshaller::readDouble (const juce::String& text)
{
    auto shortened = text;
    const auto marker = text.indexOfAnyOf ("eE");

    // Only the first "e" can be an exponent marker: the reader stops at any
    // other letter before it.
    if (marker >= 0)
    {
        auto start = marker + 1;

        if (text[start] == '+' || text[start] == '-')
            ++start;

        auto end = start;

        while (juce::CharacterFunctions::isDigit (text[end]))
            ++end;

        auto significant = start;

        while (significant < end && text[significant] == '0')
            ++significant;

        if (end - significant > 4)
            shortened = text.substring (0, start) + "9999" + text.substring (end);
    }

    auto p = shortened.getCharPointer();
    return juce::CharacterFunctions::readDoubleValue (p);
}
