#pragma once

#include <juce_core/juce_core.h>

/** The factory bank of the source tree: found above this file, or above the
    test executable when the compiler was given a relative path. */
inline juce::File findFactoryBankSource()
{
    const juce::String relative ("resources/banks/vorlan.xml");
    juce::Array<juce::File> starts { juce::File::getSpecialLocation (juce::File::currentExecutableFile) };

    if (juce::File::isAbsolutePath (__FILE__))
        starts.insert (0, juce::File (__FILE__));

    for (auto& start : starts)
        for (auto dir = start.getParentDirectory(); ! dir.isRoot(); dir = dir.getParentDirectory())
            if (dir.getChildFile (relative).existsAsFile())
                return dir.getChildFile (relative);

    return {};
}
