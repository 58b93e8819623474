// SPDX-License-Identifier: GPL-2.0-or-later
#include "tests/device/ScreenPixels.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <memory>
#include <unistd.h>

namespace {

using DisplayHandle = std::unique_ptr<Display, int (*)(Display*)>;

DisplayHandle OpenDisplay() {
    return DisplayHandle(XOpenDisplay(nullptr), XCloseDisplay);
}

bool IsOursAndTitled(Display* display, Window window, const std::string& title) {
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    Atom type = 0;
    int format = 0;
    long pid = -1;
    if (XGetWindowProperty(display, window, XInternAtom(display, "_NET_WM_PID", False), 0, 1, False,
                           XA_CARDINAL, &type, &format, &count, &after, &data) == Success &&
        data) {
        pid = count == 1 ? *reinterpret_cast<long*>(data) : -1;
        XFree(data);
    }
    char* name = nullptr;
    bool titled = XFetchName(display, window, &name) && name && title == name;
    XFree(name);
    return pid == ::getpid() && titled;
}

} // namespace

Rgb PixelOf(unsigned long window, int x, int y) {
    DisplayHandle display = OpenDisplay();
    XImage* image = display ? XGetImage(display.get(), window, x, y, 1, 1, AllPlanes, ZPixmap) : nullptr;
    if (!image) {
        return {-1, -1, -1};
    }
    unsigned long pixel = XGetPixel(image, 0, 0);
    XDestroyImage(image);
    return {int(pixel >> 16 & 0xff), int(pixel >> 8 & 0xff), int(pixel & 0xff)};
}

namespace {

// Walks the whole tree: under a window manager a top-level window sits inside the manager's frame.
void CollectOwnWindows(Display* display, Window window, const std::string& title,
                       std::vector<ShownWindow>& found) {
    Window root = 0, parent = 0;
    Window* children = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(display, window, &root, &parent, &children, &count)) {
        return;
    }
    for (unsigned int i = 0; i < count; ++i) {
        XWindowAttributes attributes{};
        if (IsOursAndTitled(display, children[i], title) &&
            XGetWindowAttributes(display, children[i], &attributes) && attributes.map_state == IsViewable) {
            int x = 0, y = 0;
            Window child = 0;
            XTranslateCoordinates(display, children[i], root, 0, 0, &x, &y, &child);
            found.push_back({children[i], x, y, attributes.width, attributes.height});
        }
        CollectOwnWindows(display, children[i], title, found);
    }
    if (children) {
        XFree(children);
    }
}

} // namespace

std::vector<ShownWindow> OwnWindowsTitled(const std::string& title) {
    std::vector<ShownWindow> found;
    DisplayHandle display = OpenDisplay();
    if (display) {
        CollectOwnWindows(display.get(), DefaultRootWindow(display.get()), title, found);
    }
    return found;
}

ShownWindow RootWindowArea() {
    DisplayHandle display = OpenDisplay();
    int screen = DefaultScreen(display.get());
    return {0, 0, 0, DisplayWidth(display.get(), screen), DisplayHeight(display.get(), screen)};
}
