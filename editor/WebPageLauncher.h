#pragma once

#include <juce_core/juce_core.h>

/** Opens a page in the desktop's web browser.

    The framework's own launch forks the whole host and reports success
    whether or not a browser exists. This spawns a small shell instead, which
    starts the first launcher or browser it finds on the PATH, detached, and
    tells whether it found one.
*/
class WebPageLauncher
{
public:
    /** False when no browser was found or no process may be started. */
    static bool open (const juce::URL& page);

    /** What is looked for on the PATH, in this order. */
    static juce::StringArray getCandidates();
};
