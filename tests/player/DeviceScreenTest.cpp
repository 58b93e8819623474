// SPDX-License-Identifier: GPL-2.0-or-later
#include "player/DeviceScreen.h"

#include <gtest/gtest.h>

namespace {

// The setting of the report: a 1280×720 output and a 1920×1080 one to its right, as Xwayland lists
// them under sway; the player's window on the first unless a row says otherwise.
const Monitor Laptop{"XWAYLAND0", 0, 0, 1280, 720};
const Monitor Tv{"XWAYLAND1", 1280, 0, 1920, 1080};
// The television back after it was switched off: Xwayland gives the output a new number.
const Monitor TvBack{"XWAYLAND2", 1280, 0, 1920, 1080};
const Monitor Third{"XWAYLAND2", 3200, 0, 800, 600};
const Monitor Mirror{"XWAYLAND1", 0, 0, 1280, 720};
const Monitor Hdmi{"HDMI-1", 0, 0, 1920, 1080};
const Monitor Dp{"DP-1", 1920, 0, 2560, 1440};

constexpr int OnLaptop[2] = {640, 360};
constexpr int OnTv[2] = {2240, 540};
constexpr int Nowhere[2] = {-500, -500};
constexpr int OnThird[2] = {3300, 100};

struct Row {
    const char* what;
    std::vector<Monitor> monitors;
    DeviceScreenChoice choice;
    const int* centre;
    DevicePlacement placed;
};

TEST(DeviceScreen, PlacementFromTheMonitorsTheChoiceAndTheMainWindow) {
    const DeviceScreenChoice automatic;
    const DeviceScreenChoice tvFull{Tv, true};
    const DeviceScreenChoice tvWindow{Tv, false};
    const DeviceScreenChoice byNameOnly{Monitor{"XWAYLAND1", 0, 0, 0, 0}, true};
    const std::vector<Row> rows = {
        {"automatic, one monitor: a window on it, as before", {Laptop}, automatic, OnLaptop, {0, false}},
        {"automatic, no monitor listed: the device's own fallback", {}, automatic, OnLaptop, {0, false}},
        {"automatic, two: the other one, full screen", {Laptop, Tv}, automatic, OnLaptop, {1, true}},
        {"automatic, the window moved to the second", {Laptop, Tv}, automatic, OnTv, {0, true}},
        {"automatic, three: the first in the server's order that is free",
         {Laptop, Tv, Third},
         automatic,
         OnTv,
         {0, true}},
        {"automatic, the window off every monitor", {Laptop, Tv}, automatic, Nowhere, {0, true}},
        {"automatic, mirrored monitors both hold the window",
         {Laptop, Mirror},
         automatic,
         OnLaptop,
         {0, false}},
        {"automatic, the second monitor unplugged", {Laptop}, automatic, OnLaptop, {0, false}},
        {"chosen and there, full screen", {Laptop, Tv}, tvFull, OnLaptop, {1, true}},
        {"chosen and there, as a window", {Laptop, Tv}, tvWindow, OnLaptop, {1, false}},
        {"chosen, listed after a new first monitor", {Third, Laptop, Tv}, tvFull, OnLaptop, {2, true}},
        {"chosen monitor unplugged: a window beside the player", {Laptop}, tvFull, OnLaptop, {0, false}},
        {"chosen monitor unplugged, player on the third", {Laptop, Third}, tvFull, OnThird, {1, false}},
        {"chosen monitor back under a new name at its place", {Laptop, TvBack}, tvFull, OnLaptop, {1, true}},
        {"its name now names another monitor: the place wins",
         {Laptop, Third, TvBack},
         DeviceScreenChoice{Monitor{"XWAYLAND2", 1280, 0, 1920, 1080}, true},
         OnLaptop,
         {2, true}},
        {"same name, new resolution: still the one",
         {Laptop, Monitor{"XWAYLAND1", 1280, 0, 1280, 720}},
         tvFull,
         OnLaptop,
         {1, true}},
        {"a bare name written by hand", {Laptop, Tv}, byNameOnly, OnLaptop, {1, true}},
        {"the chosen monitor is the player's own",
         {Hdmi, Dp},
         DeviceScreenChoice{Hdmi, true},
         OnLaptop,
         {0, true}},
        {"Xorg names, automatic", {Hdmi, Dp}, automatic, OnLaptop, {1, true}},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(PlaceDevice(row.monitors, row.choice, row.centre[0], row.centre[1]), row.placed)
            << row.what;
    }
}

// The main window's centre as the monitors are listed, from Qt's logical pixels: each screen keeps its
// origin and scales from there. Then where that centre sends the automatic choice at scale 2, with the
// desk's monitor listed first but standing right of the television.
TEST(DeviceScreen, TheWindowsCentreIsScaledFromItsScreensOrigin) {
    struct Point {
        const char* what;
        double x, y;
        int screenX, screenY;
        double ratio;
        ServerPoint onServer;
    };
    const Point points[] = {
        {"scale 1", 2240, 540, 1280, 0, 1.0, {2240, 540}},
        {"scale 2, the monitor at the origin", 640, 360, 0, 0, 2.0, {1280, 720}},
        {"scale 2, a monitor right of another", 2560, 360, 1920, 0, 2.0, {3200, 720}},
        {"scale 1.5, a monitor below another", 400, 1280, 0, 1080, 1.5, {600, 1380}},
        {"scale 2, a monitor left of the origin", -1440, 300, -1920, 0, 2.0, {-960, 600}},
        {"no scale known", 100, 100, 1920, 0, 0.0, {100, 100}},
    };
    for (const Point& point : points) {
        EXPECT_EQ(ToServerPixels(point.x, point.y, point.screenX, point.screenY, point.ratio), point.onServer)
            << point.what;
    }
    const Monitor desk{"DP-1", 1920, 0, 2560, 1440};
    const Monitor tv{"HDMI-1", 0, 0, 1920, 1080};
    // The desk's monitor at scale 2 is 1280×720 logical pixels from (1920, 0); the window centred on it.
    const ServerPoint centre = ToServerPixels(1920 + 640, 360, 1920, 0, 2.0);
    EXPECT_EQ(PlaceDevice({desk, tv}, {}, centre.x, centre.y), (DevicePlacement{1, true}))
        << "the full-screen picture goes over the player";
}

TEST(DeviceScreen, TheStoredMonitorKeepsNameAndPlace) {
    const std::vector<std::pair<std::string, std::optional<Monitor>>> rows = {
        {"", std::nullopt},
        {"XWAYLAND1 1920x1080+1280+0", Tv},
        {"My TV 1920x1080-1920+0", Monitor{"My TV", -1920, 0, 1920, 1080}},
    };
    for (const auto& [text, monitor] : rows) {
        EXPECT_EQ(MonitorSettingText(monitor), text);
        EXPECT_EQ(MonitorFromSettingText(text), monitor) << text;
    }
    // Written by hand: what does not end in a geometry is all name.
    EXPECT_EQ(MonitorFromSettingText("HDMI-1"), (Monitor{"HDMI-1", 0, 0, 0, 0}));
    EXPECT_EQ(MonitorFromSettingText("HDMI-1 big"), (Monitor{"HDMI-1 big", 0, 0, 0, 0}));
    EXPECT_EQ(MonitorFromSettingText("HDMI-1 0x0+0+0"), (Monitor{"HDMI-1 0x0+0+0", 0, 0, 0, 0}));
}

std::vector<std::pair<std::string, bool>> Shown(const std::vector<DeviceScreenEntry>& entries) {
    std::vector<std::pair<std::string, bool>> shown;
    for (const DeviceScreenEntry& entry : entries) {
        shown.emplace_back(entry.text, entry.checked);
    }
    return shown;
}

TEST(DeviceScreen, TheMenuListsAutomaticEachMonitorAnAbsentChoiceAndFullScreen) {
    using Shown_ = std::vector<std::pair<std::string, bool>>;
    EXPECT_EQ(Shown(DeviceScreenEntries({Laptop, Tv}, {}, OnLaptop[0], OnLaptop[1])),
              (Shown_{{"自動", true},
                      {"XWAYLAND0 (1280×720) – このウィンドウ", false},
                      {"XWAYLAND1 (1920×1080)", false},
                      {"全画面表示", false}}));
    EXPECT_EQ(Shown(DeviceScreenEntries({Laptop, Tv}, {Tv, true}, OnTv[0], OnTv[1])),
              (Shown_{{"自動", false},
                      {"XWAYLAND0 (1280×720)", false},
                      {"XWAYLAND1 (1920×1080) – このウィンドウ", true},
                      {"全画面表示", true}}));
    EXPECT_EQ(Shown(DeviceScreenEntries({Laptop}, {Tv, true}, OnLaptop[0], OnLaptop[1])),
              (Shown_{{"自動", false},
                      {"XWAYLAND0 (1280×720) – このウィンドウ", false},
                      {"XWAYLAND1 (接続されていません)", true},
                      {"全画面表示", true}}));

    // What each entry leaves chosen: a monitor keeps the full screen as it was, the check flips it.
    const std::vector<DeviceScreenEntry> entries = DeviceScreenEntries({Laptop, TvBack}, {Tv, true}, 0, 0);
    ASSERT_EQ(entries.size(), 4u);
    EXPECT_TRUE(entries[2].checked) << "the television back under another name is still the one chosen";
    EXPECT_EQ(entries[0].choice, (DeviceScreenChoice{std::nullopt, true}));
    EXPECT_EQ(entries[1].choice, (DeviceScreenChoice{Laptop, true}));
    EXPECT_EQ(entries[2].choice, (DeviceScreenChoice{TvBack, true}));
    EXPECT_EQ(entries[3].choice, (DeviceScreenChoice{Tv, false}));
    EXPECT_TRUE(entries[3].fullscreenCheck);
}

} // namespace
