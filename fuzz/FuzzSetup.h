#pragma once

#include <juce_core/juce_core.h>

#include <cstdlib>
#include <string>

/** Gives the fuzz process a HOME of its own, so the data folders it makes
    never touch the user's. */
inline void useTemporaryHome()
{
    std::string base = "/tmp/vorlan-fuzz-XXXXXX";

    if (char* home = mkdtemp (base.data()))
    {
        setenv ("HOME", home, 1);
        setenv ("VORLAN_COMMON_DATA_DIR", (std::string (home) + "/common").c_str(), 1);
    }
}

/** A fuzz target's way to report a broken property: libFuzzer keeps the input. */
inline void require (bool condition)
{
    if (! condition)
        std::abort();
}
