#pragma once

#include "QmParam.h"
#include "QmPresetClient.h"

#include <functional>
#include <vector>

/** A plug-in stand-in for bank tests: plain parameter values and a property map. */
struct FakePresetClient : public QmPresetClient
{
    int getNumParameters() override                     { return (int) values.size(); }
    float getParameter (int index) override             { return values[(size_t) index]; }
    void setParameter (int index, float value) override { values[(size_t) index] = value; ++writes; }
    juce::String getPluginVersion() override            { return "1.0.0"; }

    juce::HashMap<juce::String, juce::String>& getProperties() override
    {
        if (onPropertyAccess)
            onPropertyAccess();
        return properties;
    }

    std::vector<float> values = std::vector<float> (QmParam::count, 0.5f);
    juce::HashMap<juce::String, juce::String> properties { 101 };
    std::function<void()> onPropertyAccess;
    int writes = 0;
};
