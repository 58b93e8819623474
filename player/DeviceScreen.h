// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <optional>
#include <string>
#include <vector>

// Where the output device's picture goes on the user's own screens: the rule from the monitors the X
// server lists (in its order), the user's choice and the main window's centre to the device's
// monitor and full screen, and the entries of the menu that makes the choice. No I/O: the window asks
// the server and applies the result.

// A monitor as the X server lists it (RandR), in root-window pixels.
struct Monitor {
    std::string name;
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    bool Holds(int px, int py) const { return px >= x && px < x + width && py >= y && py < y + height; }
    bool SamePlace(const Monitor& other) const {
        return x == other.x && y == other.y && width == other.width && height == other.height;
    }
    bool operator==(const Monitor&) const = default;
};

// What the user chose. No monitor is automatic. A chosen monitor keeps its place and size beside its
// name: Xwayland numbers its outputs XWAYLAND0, 1, ... in the order they appear, so after a
// compositor's restart or an output that came back the name may be gone or name another one, and the
// monitor at the stored place is the one meant.
struct DeviceScreenChoice {
    std::optional<Monitor> monitor;
    bool fullscreen = false;
    bool operator==(const DeviceScreenChoice&) const = default;
};

// The element's properties: the monitor's index in the server's list, and whether it covers it.
struct DevicePlacement {
    int monitor = 0;
    bool fullscreen = false;
    bool operator==(const DevicePlacement&) const = default;
};

// A point of a window in Qt's logical pixels, in the X server's pixels. Qt keeps a screen's top-left
// corner where the server has it and scales only the distance from that corner, so a point is scaled
// from its screen's origin, not from the root window's: scaled from (0, 0), a point on a monitor right
// of another lands its origin × (ratio − 1) too far right, off that monitor. A ratio that is not
// positive counts as 1.
struct ServerPoint {
    int x = 0;
    int y = 0;
    bool operator==(const ServerPoint&) const = default;
};
ServerPoint ToServerPixels(double x, double y, int screenX, int screenY, double ratio);

// The index of the monitor that holds the point; none when no monitor does.
std::optional<int> MonitorHolding(const std::vector<Monitor>& monitors, int x, int y);

// The monitor the choice means among those listed now: the one with its name and place, else the one
// at its place, else the one with its name; none when it is absent (or the choice is automatic).
std::optional<int> ChosenMonitor(const std::vector<Monitor>& monitors, const DeviceScreenChoice& choice);

// Automatic: with two or more monitors, the first in the server's order that does not hold the main
// window's centre, full screen; with one, a 720×480 window on it. A chosen monitor that is there, as
// chosen. A chosen monitor that is absent (the television switched off): a window on the main
// window's monitor, never a full screen over the player.
DevicePlacement PlaceDevice(const std::vector<Monitor>& monitors, const DeviceScreenChoice& choice,
                            int centreX, int centreY);

// The settings file's text of a chosen monitor, "NAME W×H+X+Y" in X's geometry notation (ASCII x);
// empty for automatic. Reading takes the geometry after the last blank; a text without one is a bare
// name, matched by name alone.
std::string MonitorSettingText(const std::optional<Monitor>& monitor);
std::optional<Monitor> MonitorFromSettingText(const std::string& text);

// One entry of the context menu of 映像出力. `choice` is what picking it leaves chosen; a check entry
// (全画面表示) flips the full screen instead.
struct DeviceScreenEntry {
    std::string text;
    bool checked = false;
    bool fullscreenCheck = false;
    DeviceScreenChoice choice;
    bool operator==(const DeviceScreenEntry&) const = default;
};

// 自動; each monitor "NAME (W×H)", with " – このウィンドウ" after the one holding the main window's
// centre; a chosen monitor that is absent, "NAME (接続されていません)"; then 全画面表示.
std::vector<DeviceScreenEntry> DeviceScreenEntries(const std::vector<Monitor>& monitors,
                                                   const DeviceScreenChoice& choice, int centreX,
                                                   int centreY);
