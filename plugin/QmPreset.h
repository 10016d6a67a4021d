#pragma once

#include <juce_core/juce_core.h>

class QmBank;

/** A named set of parameter values, shared by reference count between its bank
    and the system banks "All" and "Favourites".

    The bank manager and the marshaller read and write the fields directly.
*/
class QmPreset : public juce::ReferenceCountedObject
{
public:
    using Ptr = juce::ReferenceCountedObjectPtr<QmPreset>;

    QmPreset();
    ~QmPreset() override;

    juce::Array<int> getTags() const;
    void setTags (juce::Array<int> newTags);
    juce::String getName() const;
    juce::Array<float> getParams() const;

    juce::Array<int> tags;
    juce::Array<float> params;    // element i belongs to host parameter i
    QmBank* bank = nullptr;       // the user bank holding it, not owned
    juce::Uuid uuid;
    juce::String name;
    bool fav = false;
    int index = 0;                // 1-based position in its bank
    juce::String version { "1.0" };
    juce::String pluginVersion;

private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (QmPreset)
};
