// The screen-watching tests read the screen's pixels, so they run on an X server of their own: windows
// of other tests sharing the test command's server could lie over theirs.

#include "tests/support/TestServers.h"

#include <cstdlib>
#include <gmock/gmock.h>

int main(int argc, char** argv) {
    ::unsetenv("DISPLAY");
    EnsureTestServers();
    ::testing::InitGoogleMock(&argc, argv);
    return RUN_ALL_TESTS();
}
