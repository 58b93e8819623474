// SPDX-License-Identifier: GPL-2.0-or-later
#include "app/WindowSystemChoice.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

struct Session {
    const char* what;
    WindowSystemFacts facts;
    const char* platform;
};

// The video window needs an X window to live in: X wherever a Wayland session offers one, unless this
// program's own command line chose; a platform set for the whole session is no choice for this one.
TEST(WindowSystemChoiceTest, AWaylandSessionWithAnXServerRunsOnX) {
    const Session table[] = {
        {"Wayland with Xwayland, nothing asked", {true, true, "", false}, "xcb"},
        {"the session asks every program for Wayland", {true, true, "wayland", false}, "xcb"},
        {"the session asks for Wayland, then X", {true, true, "wayland;xcb", false}, "xcb"},
        {"the session asks for Wayland's EGL variant", {true, true, "wayland-egl", false}, "xcb"},
        {"-platform on the command line", {true, true, "wayland", true}, ""},
        {"no X server to run on", {true, false, "wayland", false}, ""},
        {"an X session", {false, true, "", false}, ""},
        {"an X session that names Wayland", {false, true, "wayland", false}, ""},
        {"a platform that is not Wayland", {true, true, "offscreen", false}, ""},
        {"X already asked for", {true, true, "xcb", false}, ""},
    };
    for (const Session& session : table) {
        EXPECT_EQ(ChosenPlatform(session.facts), session.platform) << session.what;
    }
}

TEST(WindowSystemChoiceTest, OnlyTheToolkitsPlatformOptionWithItsValueCounts) {
    const std::vector<std::pair<std::vector<std::string>, bool>> table = {
        {{"tarnwick"}, false},
        {{"tarnwick", "-platform", "wayland"}, true},
        {{"tarnwick", "clip.avi", "--platform", "xcb"}, true},
        {{"tarnwick", "-platform"}, false}, // the toolkit ignores the option without a value
        {{"tarnwick", "-platform=wayland"}, false},
        {{"tarnwick", "platform"}, false},
    };
    for (const auto& [arguments, expected] : table) {
        std::vector<char*> argv;
        for (const std::string& argument : arguments) {
            argv.push_back(const_cast<char*>(argument.c_str()));
        }
        EXPECT_EQ(PlatformOnCommandLine(static_cast<int>(argv.size()), argv.data()), expected)
            << arguments.back();
    }
}

} // namespace
