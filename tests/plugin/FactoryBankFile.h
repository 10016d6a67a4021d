#pragma once

#include <juce_core/juce_core.h>

/** The factory bank of the source tree: found beside this file, or above the
    test executable when the compiler was given a relative path. */
inline juce::File findFactoryBankSource()
{
    const juce::String relative ("resources/banks/vorlan.xml");
    const juce::File here (juce::File::isAbsolutePath (__FILE__) ? juce::String (__FILE__) : juce::String());

    if (here != juce::File())
    {
        auto candidate = here.getParentDirectory().getParentDirectory().getParentDirectory().getChildFile (relative);

        if (candidate.existsAsFile())
            return candidate;
    }

    for (auto dir = juce::File::getSpecialLocation (juce::File::currentExecutableFile).getParentDirectory();
         ! dir.isRoot(); dir = dir.getParentDirectory())
        if (dir.getChildFile (relative).existsAsFile())
            return dir.getChildFile (relative);

    return {};
}
