// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <cstdint>

// A rectangle in a window's coordinates: left and top of its corner, its width and height.
struct PixelRect {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;

    bool operator==(const PixelRect&) const = default;
};

// The window's layout is designed in logical pixels, but a native window is placed in the pixels of
// the screen it is on. Each edge is rounded on its own, so the picture never strays more than half a
// device pixel from where the logical layout puts it, and two rectangles that meet still meet.
// A ratio that is not positive (no screen known) counts as 1.
PixelRect ToDevicePixels(const PixelRect& logical, double ratio);
