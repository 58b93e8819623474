// SPDX-License-Identifier: GPL-2.0-or-later
// The screen-watching tests read the screen's pixels, so they run on an X server of their own: windows
// of other tests sharing the test command's server could lie over theirs.

#include "tests/support/TestServers.h"

#include <cstdlib>
#include <gmock/gmock.h>

int main(int argc, char** argv) {
    ::unsetenv("DISPLAY");
    // The tests read pixels where they put their windows; a window manager would frame and move them.
    ::setenv("TARNWICK_NO_WINDOW_MANAGER", "1", 1);
    EnsureTestServers();
    ::testing::InitGoogleMock(&argc, argv);
    return RUN_ALL_TESTS();
}
