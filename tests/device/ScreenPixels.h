// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <functional>
#include <string>
#include <vector>

// Reading back what the X server shows, with a connection of the test's own. Assumes the 24-bit
// true-colour screen of the test servers.

struct Rgb {
    int red, green, blue;
    bool IsRed() const { return red > 200 && green < 60 && blue < 60; }
    bool IsBlack() const { return red < 30 && green < 30 && blue < 30; }
};

// The colour at a point of the window; (-1, -1, -1) when it cannot be read.
Rgb PixelOf(unsigned long window, int x, int y);

// A mapped top-level window and its place on the root window (its client area where a window manager
// frames it).
struct ShownWindow {
    unsigned long id = 0;
    int x = 0, y = 0, width = 0, height = 0;
};

// The mapped top-level windows with exactly this title that this process made (_NET_WM_PID): test
// programs that run side by side on one X server must not see each other's windows.
std::vector<ShownWindow> OwnWindowsTitled(const std::string& title);

// The size of the root window.
ShownWindow RootWindowArea();

// A window's picture read at once, as grey levels (the mean of red, green and blue), row by row.
struct Picture {
    int width = 0;
    int height = 0;
    std::vector<int> grey;
    int At(int x, int y) const { return grey[static_cast<size_t>(y) * width + x]; }
};
Picture GrabWindow(unsigned long window);

// Where a white bar on black starts in each row, and how many pairs of neighbouring rows that both
// show it have its left edge more than 4 px apart: a picture woven from two fields of a moving bar
// shows nearly every pair so; a deinterlaced or progressive one none.
struct Combing {
    int pairs = 0;
    int combed = 0;
};
Combing CountCombedRows(const Picture& picture);

// The bounding box of the bright pixels (grey above 128) of a picture; empty when there are none.
struct Box {
    int width = 0;
    int height = 0;
};
Box BrightBox(const Picture& picture);

// The windows made on the root window while `act` runs and until `placed` holds (checked for up to 5 s);
// -1 when it never does.
int WindowsMadeDuring(const std::function<void()>& act, const std::function<bool()>& placed);
