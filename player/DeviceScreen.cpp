// SPDX-License-Identifier: GPL-2.0-or-later
#include "player/DeviceScreen.h"

#include <cmath>
#include <cstdio>

ServerPoint ToServerPixels(double x, double y, int screenX, int screenY, double ratio) {
    if (!(ratio > 0.0)) {
        ratio = 1.0;
    }
    return {static_cast<int>(std::lround(screenX + (x - screenX) * ratio)),
            static_cast<int>(std::lround(screenY + (y - screenY) * ratio))};
}

std::optional<int> MonitorHolding(const std::vector<Monitor>& monitors, int x, int y) {
    for (size_t i = 0; i < monitors.size(); ++i) {
        if (monitors[i].Holds(x, y)) {
            return static_cast<int>(i);
        }
    }
    return std::nullopt;
}

std::optional<int> ChosenMonitor(const std::vector<Monitor>& monitors, const DeviceScreenChoice& choice) {
    if (!choice.monitor) {
        return std::nullopt;
    }
    const Monitor& wanted = *choice.monitor;
    // A bare name (written by hand) has no place to go by.
    const bool placed = wanted.width > 0 && wanted.height > 0;
    auto first = [&](auto matches) -> std::optional<int> {
        for (size_t i = 0; i < monitors.size(); ++i) {
            if (matches(monitors[i])) {
                return static_cast<int>(i);
            }
        }
        return std::nullopt;
    };
    if (auto both = first([&](const Monitor& m) { return m.name == wanted.name && m.SamePlace(wanted); })) {
        return both;
    }
    if (placed) {
        if (auto samePlace = first([&](const Monitor& m) { return m.SamePlace(wanted); })) {
            return samePlace;
        }
    }
    return first([&](const Monitor& m) { return m.name == wanted.name; });
}

DevicePlacement PlaceDevice(const std::vector<Monitor>& monitors, const DeviceScreenChoice& choice,
                            int centreX, int centreY) {
    const std::optional<int> mainMonitor = MonitorHolding(monitors, centreX, centreY);
    const DevicePlacement besideThePlayer{mainMonitor.value_or(0), false};
    if (choice.monitor) {
        const std::optional<int> chosen = ChosenMonitor(monitors, choice);
        return chosen ? DevicePlacement{*chosen, choice.fullscreen} : besideThePlayer;
    }
    if (monitors.size() < 2) {
        return besideThePlayer;
    }
    for (size_t i = 0; i < monitors.size(); ++i) {
        if (!monitors[i].Holds(centreX, centreY)) {
            return {static_cast<int>(i), true};
        }
    }
    // Every monitor shows the player (mirrored screens): nowhere to go but a window beside it.
    return besideThePlayer;
}

std::string MonitorSettingText(const std::optional<Monitor>& monitor) {
    if (!monitor) {
        return {};
    }
    char geometry[64];
    std::snprintf(geometry, sizeof geometry, "%dx%d%+d%+d", monitor->width, monitor->height, monitor->x,
                  monitor->y);
    return monitor->name + " " + geometry;
}

std::optional<Monitor> MonitorFromSettingText(const std::string& text) {
    if (text.empty()) {
        return std::nullopt;
    }
    const size_t blank = text.rfind(' ');
    Monitor monitor;
    if (blank != std::string::npos && blank > 0) {
        const std::string geometry = text.substr(blank + 1);
        int consumed = 0;
        if (std::sscanf(geometry.c_str(), "%dx%d%d%d%n", &monitor.width, &monitor.height, &monitor.x,
                        &monitor.y, &consumed) == 4 &&
            consumed == static_cast<int>(geometry.size()) && monitor.width > 0 && monitor.height > 0) {
            monitor.name = text.substr(0, blank);
            return monitor;
        }
    }
    return Monitor{text, 0, 0, 0, 0};
}

std::vector<DeviceScreenEntry> DeviceScreenEntries(const std::vector<Monitor>& monitors,
                                                   const DeviceScreenChoice& choice, int centreX,
                                                   int centreY) {
    const std::optional<int> chosen = ChosenMonitor(monitors, choice);
    const std::optional<int> mainMonitor = MonitorHolding(monitors, centreX, centreY);
    std::vector<DeviceScreenEntry> entries;
    entries.push_back({"自動", !choice.monitor, false, {std::nullopt, choice.fullscreen}});
    for (size_t i = 0; i < monitors.size(); ++i) {
        const Monitor& monitor = monitors[i];
        std::string text =
            monitor.name + " (" + std::to_string(monitor.width) + "×" + std::to_string(monitor.height) + ")";
        if (mainMonitor == static_cast<int>(i)) {
            text += " – このウィンドウ";
        }
        entries.push_back({text, chosen == static_cast<int>(i), false, {monitor, choice.fullscreen}});
    }
    if (choice.monitor && !chosen) {
        entries.push_back({choice.monitor->name + " (接続されていません)", true, false, choice});
    }
    entries.push_back({"全画面表示", choice.fullscreen, true, {choice.monitor, !choice.fullscreen}});
    return entries;
}
