#pragma once

#include <juce_core/juce_core.h>

/** What the bank manager needs of the plug-in: its parameters by index, its
    string properties ("currentBank", "currentPreset") and its version.

    The manager never deletes its client, so there is no virtual destructor.
*/
class QmPresetClient
{
public:
    virtual int getNumParameters() = 0;
    virtual float getParameter (int index) = 0;
    virtual void setParameter (int index, float value) = 0;
    virtual juce::HashMap<juce::String, juce::String>& getProperties() = 0;
    virtual juce::String getPluginVersion() = 0;

protected:
    ~QmPresetClient() = default;
};
