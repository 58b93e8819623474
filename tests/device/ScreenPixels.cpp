#include "tests/device/ScreenPixels.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <memory>

namespace {

using DisplayHandle = std::unique_ptr<Display, int (*)(Display*)>;

DisplayHandle OpenDisplay() {
    return DisplayHandle(XOpenDisplay(nullptr), XCloseDisplay);
}

int Channel(unsigned long pixel, unsigned long mask) {
    if (mask == 0) {
        return 0;
    }
    while (!(mask & 1)) {
        mask >>= 1;
        pixel >>= 1;
    }
    return static_cast<int>((pixel & mask) * 255 / mask);
}

} // namespace

std::ostream& operator<<(std::ostream& out, const Rgb& colour) {
    return out << "rgb(" << colour.red << "," << colour.green << "," << colour.blue << ")";
}

Rgb PixelOf(unsigned long window, int x, int y) {
    DisplayHandle display = OpenDisplay();
    if (!display) {
        return {-1, -1, -1};
    }
    XImage* image = XGetImage(display.get(), window, x, y, 1, 1, AllPlanes, ZPixmap);
    if (!image) {
        return {-1, -1, -1};
    }
    unsigned long pixel = XGetPixel(image, 0, 0);
    Rgb colour{Channel(pixel, image->red_mask), Channel(pixel, image->green_mask),
               Channel(pixel, image->blue_mask)};
    XDestroyImage(image);
    return colour;
}

ScreenSize RootSize() {
    DisplayHandle display = OpenDisplay();
    if (!display) {
        return {0, 0};
    }
    int screen = DefaultScreen(display.get());
    return {DisplayWidth(display.get(), screen), DisplayHeight(display.get(), screen)};
}
