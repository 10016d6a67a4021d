#pragma once

#include "QmPreset.h"

/** A preset with the given name and tags, in no bank. */
inline QmPreset::Ptr namedPreset (const juce::String& name, juce::Array<int> tags = {})
{
    QmPreset::Ptr preset (new QmPreset());
    preset->name = name;
    preset->tags = tags;
    return preset;
}
