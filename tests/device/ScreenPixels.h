#pragma once

#include <ostream>

// Reading back what the X server shows, with a connection of the test's own.

struct Rgb {
    int red, green, blue;
    bool IsRed() const { return red > 200 && green < 60 && blue < 60; }
    bool IsBlack() const { return red < 30 && green < 30 && blue < 30; }
};

std::ostream& operator<<(std::ostream& out, const Rgb& colour);

// The colour at a point of the window; (-1, -1, -1) when it cannot be read.
Rgb PixelOf(unsigned long window, int x, int y);

struct ScreenSize {
    int width, height;
};

ScreenSize RootSize();
