#pragma once

#include "PresetMarshaller.h"

/** The XML form of banks, presets and the host state.

    A bank is a "bank" element with the children "name" and "presets"; a preset
    is a "preset" element with the children "name", "version", "pluginVersion",
    "fav", "uuid", "tags" and "params". Field names are matched ignoring case
    when read; missing or empty fields give the caller's default.
*/
class XMLMarshaller : public PresetMarshaller
{
public:
    XMLMarshaller() = default;
    ~XMLMarshaller() override = default;

    /** A new bank named after the root's "name" field holding the presets of its
        first "presets" child; a preset whose name repeats an earlier one is dropped. */
    std::unique_ptr<QmBank> bankFromXml (juce::XmlElement* root) override;
    std::unique_ptr<juce::XmlElement> bankToXml (QmBank* bank) override;
    std::unique_ptr<juce::XmlElement> presetToXml (QmPreset* preset) override;

    /** A new preset in no bank. Parameter values that are not finite numbers
        read as 0, so they never reach a parameter. */
    QmPreset::Ptr presetFromXml (juce::XmlElement* element) override;

    using PresetMarshaller::setField;
    void setField (juce::XmlElement* element, const juce::String& name, const char* value) override;
    void setField (juce::XmlElement* element, const juce::String& name, const juce::String& value) override;
    void setField (juce::XmlElement* element, const juce::String& name, double value) override;
    void setField (juce::XmlElement* element, const juce::String& name, float value) override;
    void setField (juce::XmlElement* element, const juce::String& name, juce::uint32 value) override;
    void setField (juce::XmlElement* element, const juce::String& name, juce::int64 value) override;
    void setField (juce::XmlElement* element, const juce::String& name, bool value) override;

    juce::String getStringField (const juce::XmlElement* element, const juce::String& name, const juce::String& defaultValue) override;
    double getDoubleField (const juce::XmlElement* element, const juce::String& name, double defaultValue) override;
    float getFloatField (const juce::XmlElement* element, const juce::String& name, float defaultValue) override;
    int getIntField (const juce::XmlElement* element, const juce::String& name, int defaultValue) override;
    juce::int64 getInt64Field (const juce::XmlElement* element, const juce::String& name, juce::int64 defaultValue) override;
    bool getBoolField (const juce::XmlElement* element, const juce::String& name, bool defaultValue) override;

    std::unique_ptr<juce::XmlElement> createBankElement() override;
    std::unique_ptr<juce::XmlElement> createListElement() override;
    std::unique_ptr<juce::XmlElement> createDictElement() override;

    void addChildElement (juce::XmlElement* parent, juce::XmlElement* child, const juce::String& key) override;
    void appendChildElement (juce::XmlElement* parent, juce::XmlElement* child, const juce::String& key) override;
    juce::Array<juce::XmlElement*> getChildElements (const juce::XmlElement* element, const juce::String& name) override;
    juce::XmlElement* getChildByName (const juce::XmlElement* element, const juce::String& name) override;

    /** A number as the fields store it: at most six significant digits, no
        trailing zeros, exponent form for very small values (0.00001 gives 1e-05). */
    static juce::String formatNumber (double value);

    /** A decimal integer read as the C runtime's atoi does (leading blanks and a
        sign allowed, digits up to the first other character, 0 when none),
        clamped to the int range. */
    static int readInt (const juce::String& text);

    /** The text read as a double; a text that gives no finite float reads as 0. */
    static float readFiniteFloat (const juce::String& text);

    /** The framework's decimal reading of text; an exponent too long for it
        (its int would overflow) is read as one of 9999 digits' worth, which
        gives infinity or zero as the long one means. */
    static double readDouble (const juce::String& text);

private:
    JUCE_DECLARE_NON_COPYABLE (XMLMarshaller)
};
