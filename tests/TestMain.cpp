// Every test process runs on a HOME of its own, so nothing touches the user's
// data folders; the all-users folder is redirected below it too.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include <sys/stat.h>

int main (int argc, char** argv)
{
    std::string base = "/tmp/vorlan-test-XXXXXX";
    if (const char* dir = std::getenv ("TMPDIR"))
        base = std::string (dir) + "/vorlan-test-XXXXXX";

    if (char* home = mkdtemp (base.data()))
    {
        setenv ("HOME", home, 1);
        const std::string common = std::string (home) + "/common";
        setenv ("VORLAN_COMMON_DATA_DIR", common.c_str(), 1);

        // Temporary files too: test processes run side by side.
        const std::string temp = std::string (home) + "/tmp";
        if (mkdir (temp.c_str(), 0700) == 0)
            setenv ("TMPDIR", temp.c_str(), 1);
    }

    // Without a display of its own, JUCE would open :0, which a parallel
    // test's virtual display may hold and take down mid-test; name one that
    // cannot be opened instead.
    if (const char* display = std::getenv ("DISPLAY"); display == nullptr || *display == 0)
        setenv ("DISPLAY", ":65535", 1);

    ::testing::InitGoogleTest (&argc, argv);
    return RUN_ALL_TESTS();
}
