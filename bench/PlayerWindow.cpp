#include "bench/PlayerWindow.h"

namespace {

constexpr const char* PlayerTitle = "Tarnwick 1.06";

// The file list's top-left corner in the window's client area with the debug panel hidden: the file
// area starts below the video area and its splitter (392), the list sits in the right-hand panel
// (193 + 8, 5 + 32).
constexpr int FileListLeft = 201;
constexpr int FileListTop = 429;
constexpr int FileRowHeight = 12;

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

void FirstFileRow(const ScreenWatch& screen, Window mainWindow, int& x, int& y) {
    const ScreenArea window = screen.AreaOf(mainWindow);
    x = window.x + FileListLeft + 40;
    y = window.y + FileListTop + 2 + FileRowHeight / 2;
}
