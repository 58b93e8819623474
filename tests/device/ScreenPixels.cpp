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

std::vector<ShownWindow> OwnWindowsTitled(const std::string& title) {
    std::vector<ShownWindow> found;
    DisplayHandle display = OpenDisplay();
    Window root = 0, parent = 0;
    Window* children = nullptr;
    unsigned int count = 0;
    if (!display ||
        !XQueryTree(display.get(), DefaultRootWindow(display.get()), &root, &parent, &children, &count)) {
        return found;
    }
    for (unsigned int i = 0; i < count; ++i) {
        XWindowAttributes attributes{};
        if (IsOursAndTitled(display.get(), children[i], title) &&
            XGetWindowAttributes(display.get(), children[i], &attributes) &&
            attributes.map_state == IsViewable) {
            found.push_back({children[i], attributes.x, attributes.y, attributes.width, attributes.height});
        }
    }
    XFree(children);
    return found;
}

ShownWindow RootWindowArea() {
    DisplayHandle display = OpenDisplay();
    int screen = DefaultScreen(display.get());
    return {0, 0, 0, DisplayWidth(display.get(), screen), DisplayHeight(display.get(), screen)};
}
