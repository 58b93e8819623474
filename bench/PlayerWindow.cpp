// SPDX-License-Identifier: GPL-2.0-or-later
#include "bench/PlayerWindow.h"

namespace {

constexpr const char* PlayerTitle = "Tarnwick 1.06";

} // namespace

Window ReadyPlayerWindow(const ScreenWatch& screen) {
    const Window window = screen.FindViewable(PlayerTitle);
    if (window == 0 || screen.ViewableChildren(window).empty()) {
        return 0;
    }
    // An unpainted window shows the black screen behind it; the painted one is grey, white and colour
    // almost everywhere but the video panel.
    return screen.DrawnShare(screen.AreaOf(window)) >= 0.7 ? window : 0;
}

ScreenArea VideoPanelArea(const ScreenWatch& screen, Window mainWindow) {
    ScreenArea largest;
    for (Window child : screen.ViewableChildren(mainWindow)) {
        const ScreenArea area = screen.AreaOf(child);
        if (area.width * area.height > largest.width * largest.height) {
            largest = area;
        }
    }
    return largest;
}

bool VideoPanelShowsPicture(const ScreenWatch& screen, Window mainWindow) {
    return screen.ColourShare(VideoPanelArea(screen, mainWindow)) >= 0.1;
}
