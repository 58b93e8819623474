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

long PidOf(Display* display, Window window) {
    Atom type = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    long pid = -1;
    if (XGetWindowProperty(display, window, XInternAtom(display, "_NET_WM_PID", False), 0, 1, False,
                           XA_CARDINAL, &type, &format, &count, &after, &data) == Success &&
        data) {
        if (count == 1 && format == 32) {
            pid = *reinterpret_cast<long*>(data);
        }
        XFree(data);
    }
    return pid;
}

std::string NameOf(Display* display, Window window) {
    char* name = nullptr;
    std::string title;
    if (XFetchName(display, window, &name) && name) {
        title = name;
        XFree(name);
    }
    return title;
}

} // namespace

std::vector<ShownWindow> OwnWindowsTitled(const std::string& title) {
    std::vector<ShownWindow> found;
    DisplayHandle display = OpenDisplay();
    if (!display) {
        return found;
    }
    Window root = 0, parent = 0;
    Window* children = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(display.get(), DefaultRootWindow(display.get()), &root, &parent, &children, &count)) {
        return found;
    }
    for (unsigned int i = 0; i < count; ++i) {
        XWindowAttributes attributes{};
        if (PidOf(display.get(), children[i]) == ::getpid() && NameOf(display.get(), children[i]) == title &&
            XGetWindowAttributes(display.get(), children[i], &attributes) &&
            attributes.map_state == IsViewable) {
            found.push_back({children[i], attributes.x, attributes.y, attributes.width, attributes.height});
        }
    }
    if (children) {
        XFree(children);
    }
    return found;
}

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
