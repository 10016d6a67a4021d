// The help page's launcher, on a PATH of the test's own.
#include "WebPageLauncher.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>

TEST (WebPageLauncher, StartsTheFirstBrowserOnThePathAndSaysWhenThereIsNone)
{
    const auto folder = juce::File::getSpecialLocation (juce::File::tempDirectory).getChildFile ("vorlan-path");
    folder.deleteRecursively();
    folder.createDirectory();
    const juce::String oldPath (std::getenv ("PATH"));
    setenv ("PATH", folder.getFullPathName().toRawUTF8(), 1);
    const juce::URL page (juce::File ("/opt/Quillmoor/Vorlan/Resources/plugins/vorlan/help.html"));

    // Nothing to start the page with.
    EXPECT_FALSE (WebPageLauncher::open (page));

    // A browser that notes the page it was given; xdg-open comes first.
    const auto opened = folder.getChildFile ("opened");
    const auto browser = [&] (const char* name)
    {
        const auto script = folder.getChildFile (name);
        script.replaceWithText (juce::String ("#!/bin/sh\nprintf '%s ") + name + "\\n' \"$1\" > \"" + opened.getFullPathName() + "\"\n", false, false, "\n");
        script.setExecutePermission (true);
    };
    browser ("firefox");
    browser ("xdg-open");
    EXPECT_TRUE (WebPageLauncher::open (page));

    // It runs detached; wait for its whole line.
    for (int i = 0; i < 1000 && ! opened.loadFileAsString().endsWithChar ('\n'); ++i)
        juce::Thread::sleep (10);
    EXPECT_EQ (opened.loadFileAsString(), page.toString (true) + " xdg-open\n");

    // A host that ignores its children's ends: the shell is gone unseen.
    const auto previous = std::signal (SIGCHLD, SIG_IGN);
    EXPECT_TRUE (WebPageLauncher::open (page));
    std::signal (SIGCHLD, previous);

    setenv ("PATH", oldPath.toRawUTF8(), 1);
    folder.deleteRecursively();
}
