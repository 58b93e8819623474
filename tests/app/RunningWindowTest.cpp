// The running program's window as its users meet it: under the window manager the test command
// starts (or none, in the pass that proves the frameless case), closed with the manager's close and
// started again, and with its error boxes read back as a screen reader reads them.

#include "tests/support/RunningPlayer.h"
#include "tests/support/TestServers.h"
#include "tests/support/X11Tools.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

constexpr const char* kCaption = "Tarnwick 1.06";

std::string Describe(const X11Window& window) {
    char text[160];
    std::snprintf(text, sizeof text, "outer %dx%d%+d%+d, client %dx%d%+d%+d", window.OuterWidth(),
                  window.OuterHeight(), window.OuterX(), window.OuterY(), window.width, window.height,
                  window.x, window.y);
    return text;
}

// The window at its designed client size and place: the outer frame's corner at the designed corner,
// the frame drawn when a window manager runs.
bool AtFirstStartBounds(const X11Window& window) {
    static const bool managed = WindowManagerRunning();
    return window.width == 701 && window.height == 788 && window.OuterX() == 273 && window.OuterY() == 63 &&
           (!managed || window.frameTop > 0);
}

class RunningWindowTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { EnsureTestServers(); }

    PlayerInstall install;

    // Starts the program, waits until its window satisfies the condition, and closes it with the
    // window manager's close; the window as last seen comes back.
    X11Window Round(bool (*condition)(const X11Window&), const std::string& what) {
        RunningPlayer running(install);
        EXPECT_TRUE(running.WaitUntilReady());
        X11Window seen;
        EXPECT_TRUE(WaitForWindowWhere(kCaption, condition, 20000, &seen))
            << what << "; seen " << Describe(seen);
        EXPECT_EQ(running.Close(), 0);
        return seen;
    }
};

TEST_F(RunningWindowTest, TheWindowKeepsItsOuterBoundsAcrossStarts) {
    const X11Window first = Round(AtFirstStartBounds, "the designed client area at the designed place");
    std::printf("start 0: %s\n", Describe(first).c_str());
    // Every later start brings back the outer bounds the first one had: no growth by the frame.
    for (int round = 1; round <= 5; ++round) {
        const X11Window again = Round(AtFirstStartBounds, "round " + std::to_string(round));
        std::printf("start %d: %s\n", round, Describe(again).c_str());
    }
}

// The browser's errors, in the program as its users meet them, come in the application's error box:
// its title, and the full stop after a message that ends in a Japanese character.
TEST_F(RunningWindowTest, AFolderThatMayNotBeEnteredIsReportedInTheApplicationsErrorBox) {
    std::filesystem::create_directory(install.Clip("locked"));
    std::filesystem::permissions(install.Clip("locked"), std::filesystem::perms::none);
    RunningPlayer running(install);
    ASSERT_TRUE(running.WaitUntilReady());
    running.DoubleClickFile("locked");
    EXPECT_TRUE(running.WaitUntil(
        [](const std::vector<SeenObject>& objects) {
            const auto has = [&objects](const std::string& role, const std::string& name) {
                return std::any_of(objects.begin(), objects.end(), [&](const SeenObject& object) {
                    return (role.empty() || object.role == role) && object.name == name;
                });
            };
            return has("alert", "tarnwick") && has("", "ファイルへのアクセスが拒否されました.");
        },
        15000));
    running.Press("OK");
    // The window takes the close once the modal box has gone.
    EXPECT_TRUE(running.WaitUntil(
        [](const std::vector<SeenObject>& objects) {
            return std::none_of(objects.begin(), objects.end(),
                                [](const SeenObject& o) { return o.role == "alert"; });
        },
        15000));
    EXPECT_EQ(running.Close(), 0);
}

} // namespace
