#include "WebPageLauncher.h"

#include <cerrno>
#include <spawn.h>
#include <sys/wait.h>

extern char** environ;

juce::StringArray WebPageLauncher::getCandidates()
{
    return { "xdg-open", "x-www-browser", "firefox", "firefox-esr", "chromium", "google-chrome" };
}

bool WebPageLauncher::open (const juce::URL& page)
{
    // The browser runs in a subshell of its own, so the shell exits at once
    // and the browser outlives it without becoming our child.
    const auto script = "for b in " + getCandidates().joinIntoString (" ") + "; do "
                        "if command -v \"$b\" >/dev/null 2>&1; then "
                        "(\"$b\" \"$1\" </dev/null >/dev/null 2>&1 &); exit 0; fi; done; exit 127";
    const auto url = page.toString (true);

    const char* argv[] = { "/bin/sh", "-c", script.toRawUTF8(), "sh", url.toRawUTF8(), nullptr };
    pid_t shell = 0;

    // No fork of the host's whole address space: spawn reports a shell that
    // could not be started.
    if (posix_spawn (&shell, argv[0], nullptr, nullptr, const_cast<char* const*> (argv), environ) != 0)
        return false;

    int status = 0;

    // A host that ignores SIGCHLD has the shell reaped already: it started.
    while (waitpid (shell, &status, 0) < 0)
        if (errno != EINTR)
            return errno == ECHILD;

    return WIFEXITED (status) && WEXITSTATUS (status) == 0;
}
