// SPDX-License-Identifier: GPL-2.0-or-later
// The running program's window as its users meet it: under the window manager the test command
// starts (or none, in the pass that proves the frameless case), closed with the manager's close and
// started again, and with its error boxes read back as a screen reader reads them.

#include "tests/support/RedPicture.h"
#include "tests/support/RunningPlayer.h"
#include "tests/support/SwaySession.h"
#include "tests/support/TestServers.h"
#include "tests/support/WaylandSession.h"
#include "tests/support/X11Tools.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <thread>
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

// The lines of one section of a settings file.
std::string SectionOf(const std::string& text, const std::string& section) {
    const std::string header = "[" + section + "]\n";
    const auto start = text.find(header);
    if (start == std::string::npos) {
        return {};
    }
    const auto end = text.find("\n[", start + header.size());
    return text.substr(start, end == std::string::npos ? std::string::npos : end + 1 - start);
}

// The red in a window's client area as the X server shows it.
PictureBox RedPictureIn(const X11Window& window) {
    int width = window.width;
    int height = window.height;
    const std::vector<unsigned long> pixels = ReadScreen(window.x, window.y, width, height);
    return RedPicture(pixels, width, height);
}

// Where the designed layout puts the picture of a 640 x 480 clip in the window's client area at
// scale 1: the video panel at 170, 22 in the video area at 0, 105, and the halved frame centred in it.
constexpr PictureBox kDesignedPicture{190, 127, 510, 367};

// An 800 x 480 frame is halved to 400 x 240 at -20, 0 in the panel, which hides 20 columns on either
// side. A red band over its blue from source column 16 to 704 and row 64 to 416 starts behind the
// panel's left edge and ends at 332 in it: it shows where the whole frame, clipped, would show it.
ClipSpec OverhangingClip() {
    ClipSpec clip = RedClip();
    clip.width = 800;
    clip.picture = "color=c=blue";
    clip.drawn = "drawbox=x=16:y=64:w=688:h=352:c=red:t=fill";
    return clip;
}
constexpr PictureBox kOverhangingPicture{170, 159, 502, 335};

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

// At a desktop scale of 150 % or 200 %, the window and everything in it grows by the factor, the
// picture included: it covers the part of the window it covers at 100 %, to within a device pixel,
// while the settings file keeps the window's place in logical pixels. A frame that overhangs the panel
// is cut at the panel's edges at every scale, and what shows of it is where the whole frame puts it.
TEST_F(RunningWindowTest, ThePictureCoversTheSamePartOfTheWindowAtEveryScale) {
    int screenWidth = 1 << 15, screenHeight = 1 << 15;
    ReadScreen(0, 0, screenWidth, screenHeight);
    if (screenWidth < 1420 || screenHeight < 1650) {
        GTEST_SKIP() << "the doubled window needs a screen of 1420 x 1650; the test command gives it one";
    }
    struct Clip {
        ClipSpec recipe;
        PictureBox atOne;
    };
    const Clip clips[] = {{RedClip(), kDesignedPicture}, {OverhangingClip(), kOverhangingPicture}};
    for (const Clip& clip : clips) {
        CopyClipTo(clip.recipe, install.Clip("red.avi"));
        struct Scale {
            const char* factor;
            PictureBox picture;
            std::string placement;
        };
        Scale scales[] = {{"1", {}, {}}, {"1.5", {}, {}}, {"2", {}, {}}};
        for (Scale& scale : scales) {
            ::setenv("QT_SCALE_FACTOR", scale.factor, 1);
            RunningPlayer running(install, {install.Clip("red.avi")});
            ASSERT_TRUE(running.WaitUntilReady());
            // The window is looked up at each read, since the window manager may still move it.
            X11Window seen;
            scale.picture = SettledPicture(
                [&seen] {
                    const auto window = WaitForWindow(kCaption, 1000);
                    seen = window.value_or(seen);
                    return window ? RedPictureIn(seen) : PictureBox{};
                },
                20000);
            EXPECT_FALSE(scale.picture.Empty()) << "at scale " << scale.factor << " in " << Describe(seen);
            EXPECT_EQ(running.Close(), 0);
            scale.placement = SectionOf(ReadSettingsFile(install.SettingsFile()), "TfrmMain");
            std::printf("%dx%d at scale %s: window %dx%d, picture %s\n", clip.recipe.width,
                        clip.recipe.height, scale.factor, seen.width, seen.height,
                        Describe(scale.picture).c_str());
        }
        ::unsetenv("QT_SCALE_FACTOR");

        const PictureBox& one = scales[0].picture;
        EXPECT_EQ(one, clip.atOne) << Describe(one);
        for (const Scale& scale : scales) {
            const double factor = std::atof(scale.factor);
            const auto near = [factor](int seen, int atOne) {
                return std::abs(seen - atOne * factor) <= 1.0;
            };
            EXPECT_TRUE(near(scale.picture.left, one.left) && near(scale.picture.top, one.top) &&
                        near(scale.picture.right, one.right) && near(scale.picture.bottom, one.bottom))
                << "at scale " << scale.factor << ": " << Describe(scale.picture)
                << ", at 1: " << Describe(one);
            EXPECT_FALSE(scale.placement.empty());
            EXPECT_EQ(scale.placement, scales[0].placement) << "at scale " << scale.factor;
        }
    }
}

// A Wayland session, as KDE Plasma and GNOME run one, that asks every program for Wayland and offers
// Xwayland: the program runs on X there, and the compositor's own picture of the screen, which sees
// Wayland and X windows alike, shows the video picture inside the video panel, or in the output
// device's own window when the video goes to the device.
TEST_F(RunningWindowTest, UnderAWaylandSessionThePictureShowsInThePanelAndInTheDevicesWindow) {
    CopyClipTo(RedClip(), install.Clip("red.avi"));
    WaylandSession session(true);
    const ScopedVariable wayland("WAYLAND_DISPLAY", session.Socket().c_str());
    const ScopedVariable display("DISPLAY", session.XDisplay().c_str());
    const ScopedVariable platform("QT_QPA_PLATFORM", "wayland");
    const ScopedVariable sessionType("XDG_SESSION_TYPE", "wayland");
    struct Route {
        const char* settings;
        const char* window;
        PictureBox picture; // in the window's client area
        const char* screenshot;
    };
    const Route routes[] = {
        {"[Play]\nENB_VIDEO=0\n", kCaption, kDesignedPicture, "wayland-session.png"},
        // The device's window is the device's 720 x 480; the 4:3 picture is centred in it.
        {"[Play]\nENB_VIDEO=1\n", "Morrick Halvion Output", {40, 0, 680, 480}, "wayland-device.png"},
    };
    for (const Route& route : routes) {
        std::ofstream(install.SettingsFile()) << route.settings;
        RunningPlayer running(install, {install.Clip("red.avi")});
        ASSERT_TRUE(running.WaitUntilReady());
        ASSERT_TRUE(WaitForWindow(route.window, 20000)) << "no window " << route.window << " on Xwayland";

        const std::string png = std::string(TARNWICK_ARTIFACT_DIR "/") + route.screenshot;
        std::vector<unsigned long> pixels;
        int width = 0, height = 0;
        const PictureBox seen = SettledPicture(
            [&] {
                return session.Screenshot(png, pixels, width, height) ? RedPicture(pixels, width, height)
                                                                      : PictureBox{};
            },
            30000);
        // The compositor places a new window after it is mapped, so its place is read once the picture
        // has settled, not when it first appears.
        const std::optional<X11Window> window = WaitForWindow(route.window, 20000);
        ASSERT_TRUE(window) << "the window " << route.window << " went away";
        std::printf("screenshot: %s\n%s at %+d%+d, picture %s\n", png.c_str(), route.window, window->x,
                    window->y, Describe(seen).c_str());
        const PictureBox inWindow{seen.left - window->x, seen.top - window->y, seen.right - window->x,
                                  seen.bottom - window->y};
        EXPECT_EQ(inWindow, route.picture) << route.window << ": " << Describe(inWindow);
        EXPECT_EQ(running.Close(), 0);
    }
}

// Under sway with two outputs the program itself sends the device's picture to the second, full
// screen, when the choice is automatic; a monitor chosen that is not there gives a window beside the
// player, and once an output comes while the file plays the picture goes there, full screen, with no
// box. The choice is stored at the end.
TEST_F(RunningWindowTest, UnderSwayTheDevicesPictureGoesToTheOtherMonitorAndToOneThatComesWhileItPlays) {
    CopyClipTo(RedClip(), install.Clip("red.avi"));
    SwaySession sway({{1280, 720}, {1920, 1080}});
    const ScopedVariable display("DISPLAY", sway.XDisplay().c_str());
    const ScopedVariable platform("QT_QPA_PLATFORM", "xcb");
    struct Place {
        int x, y, width, height;
    };
    const auto deviceAt = [](const Place& place) {
        X11Window seen;
        static Place wanted;
        wanted = place;
        const bool there = WaitForWindowWhere(
                               "Morrick Halvion Output",
                               [](const X11Window& window) {
                                   return window.x == wanted.x && window.y == wanted.y &&
                                          window.width == wanted.width && window.height == wanted.height;
                               },
                               20000, &seen)
                               .has_value();
        EXPECT_TRUE(there) << "the device's window: " << Describe(seen);
        return seen;
    };
    {
        std::ofstream(install.SettingsFile()) << "[Play]\nENB_VIDEO=1\n";
        RunningPlayer running(install, {install.Clip("red.avi")});
        ASSERT_TRUE(running.WaitUntilReady());
        deviceAt({1280, 0, 1920, 1080});
        EXPECT_EQ(running.Close(), 0);
    }
    std::ofstream(install.SettingsFile())
        << "[Play]\nENB_VIDEO=1\n[Device]\nMonitor=XWAYLAND2 1920x1080+3200+0\nFullScreen=1\n";
    RunningPlayer running(install, {install.Clip("red.avi")});
    ASSERT_TRUE(running.WaitUntilReady());
    const std::optional<X11Window> beside = WaitForWindow("Morrick Halvion Output", 20000);
    ASSERT_TRUE(beside);
    EXPECT_LT(beside->x + beside->width, 1280 + 1) << "not beside the player: " << Describe(*beside);
    ASSERT_TRUE(sway.CreateOutput());
    deviceAt({3200, 0, 1920, 1080});
    EXPECT_FALSE(running.WaitUntil(
        [](const std::vector<SeenObject>& objects) {
            return std::any_of(objects.begin(), objects.end(),
                               [](const SeenObject& object) { return object.role == "alert"; });
        },
        500))
        << "no box";
    EXPECT_EQ(running.Close(), 0);
    EXPECT_NE(
        ReadSettingsFile(install.SettingsFile()).find("Monitor=XWAYLAND2 1920x1080+3200+0\nFullScreen=1"),
        std::string::npos);
}

// Where the program runs on Wayland, with no X server at all or by the user's own choice, the picture
// cannot show in the panel: the user is told so in the application's error box, the sound plays, and
// no picture shows anywhere on the screen.
TEST_F(RunningWindowTest, OnWaylandItselfTheUserIsToldAndTheSoundPlays) {
    CopyClipTo(RedClip(), install.Clip("red.avi"));
    struct Case {
        bool xwayland;
        std::vector<std::string> arguments;
        const char* screenshot;
    };
    const Case cases[] = {
        {false, {}, "wayland-without-x.png"},
        {true, {"-platform", "wayland"}, "wayland-chosen.png"},
    };
    for (const Case& c : cases) {
        WaylandSession session(c.xwayland);
        const ScopedVariable wayland("WAYLAND_DISPLAY", session.Socket().c_str());
        const ScopedVariable display("DISPLAY", c.xwayland ? session.XDisplay().c_str() : nullptr);
        const ScopedVariable platform("QT_QPA_PLATFORM", nullptr);
        std::vector<std::string> arguments = c.arguments;
        arguments.push_back(install.Clip("red.avi"));
        RunningPlayer running(install, arguments);
        ASSERT_TRUE(running.WaitUntilReady());
        EXPECT_TRUE(running.AnswerBox("X サーバー (Xwayland) が必要です", 20000)) << c.screenshot;
        const std::string ownStream = "application.process.id = \"" + std::to_string(running.Pid()) + "\"";
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        bool sounding = false;
        while (!sounding && std::chrono::steady_clock::now() < deadline) {
            std::string streams;
            if (FILE* pactl = ::popen("pactl list sink-inputs 2>/dev/null", "r")) {
                char buffer[4096];
                for (size_t read; (read = std::fread(buffer, 1, sizeof buffer, pactl)) > 0;) {
                    streams.append(buffer, read);
                }
                ::pclose(pactl);
            }
            sounding = streams.find(ownStream) != std::string::npos;
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        EXPECT_TRUE(sounding) << c.screenshot << ": no stream of the program's own on the sound server";
        std::vector<unsigned long> pixels;
        int width = 0, height = 0;
        ASSERT_TRUE(
            session.Screenshot(std::string(TARNWICK_ARTIFACT_DIR "/") + c.screenshot, pixels, width, height));
        // The error box's icon has a little red; a picture would have a hundred times more.
        EXPECT_LT(std::count_if(pixels.begin(), pixels.end(), IsRed), 320 * 240 / 10) << c.screenshot;
        // A window on Wayland cannot be closed from outside the compositor: a signal ends the program.
        ::kill(running.Pid(), SIGTERM);
        EXPECT_NE(running.WaitForExit(15000), -1);
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
