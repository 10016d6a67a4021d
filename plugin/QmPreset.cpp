#include "QmPreset.h"

QmPreset::QmPreset() = default;
QmPreset::~QmPreset() = default;

juce::Array<int> QmPreset::getTags() const          { return tags; }
void QmPreset::setTags (juce::Array<int> newTags)   { tags = std::move (newTags); }
juce::String QmPreset::getName() const              { return name; }
juce::Array<float> QmPreset::getParams() const      { return params; }
