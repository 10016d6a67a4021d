#include "XMLMarshaller.h"

#include <gtest/gtest.h>

#include <climits>

namespace
{
    std::unique_ptr<juce::XmlElement> parseString (const juce::String& text)
    {
        juce::MemoryInputStream in (text.toRawUTF8(), text.getNumBytesAsUTF8(), false);
        return XMLMarshaller().parse (in);
    }
}

TEST (XmlMarshaller, FieldsAreReadLeniently)
{
    XMLMarshaller m;
    auto element = parseString ("<preset><NAME>Upper</NAME><fav>TRUE</fav><tags>1,x,3</tags>"
                                "<params>0.5,nan,-inf,1e300,junk,0.25,1e10888888888888,2.5e-000000000000001,7e-99999999999</params></preset>");
    auto p = m.presetFromXml (element.get());
    EXPECT_EQ (std::tuple (p->name, p->fav, p->tags), std::tuple (juce::String ("Upper"), true, juce::Array<int> ({ 1, 0, 3 })));
    EXPECT_EQ (p->params, juce::Array<float> ({ 0.5f, 0.0f, 0.0f, 0.0f, 0.0f, 0.25f, 0.0f, 0.25f, 0.0f }));   // nothing non-finite

    auto xml = parseString ("<r><Big>99999999999</Big><Ratio>inf</Ratio></r>");
    EXPECT_EQ (std::pair (m.getIntField (xml.get(), "big", 0), m.getDoubleField (xml.get(), "ratio", 2.0)), std::pair (INT_MAX, 2.0));
}
