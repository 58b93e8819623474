// SPDX-License-Identifier: GPL-2.0-or-later
#include "tests/device/ScreenPixels.h"

#include "tests/support/Poll.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <algorithm>
#include <chrono>
#include <cstdlib>
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

Picture GrabWindow(unsigned long window) {
    DisplayHandle display = OpenDisplay();
    XWindowAttributes attributes{};
    if (!display || !XGetWindowAttributes(display.get(), window, &attributes)) {
        return {};
    }
    XImage* image = XGetImage(display.get(), window, 0, 0, static_cast<unsigned>(attributes.width),
                              static_cast<unsigned>(attributes.height), AllPlanes, ZPixmap);
    if (!image) {
        return {};
    }
    Picture picture{attributes.width, attributes.height, {}};
    picture.grey.reserve(static_cast<size_t>(picture.width) * picture.height);
    for (int y = 0; y < picture.height; ++y) {
        for (int x = 0; x < picture.width; ++x) {
            unsigned long pixel = XGetPixel(image, x, y);
            picture.grey.push_back(int((pixel >> 16 & 0xff) + (pixel >> 8 & 0xff) + (pixel & 0xff)) / 3);
        }
    }
    XDestroyImage(image);
    return picture;
}

Combing CountCombedRows(const Picture& picture) {
    auto edge = [&](int y) {
        for (int x = 0; x < picture.width; ++x) {
            if (picture.At(x, y) > 128) {
                return x;
            }
        }
        return -1;
    };
    Combing combing;
    for (int y = 0; y + 1 < picture.height; ++y) {
        const int above = edge(y);
        const int below = edge(y + 1);
        if (above < 0 || below < 0) {
            continue;
        }
        ++combing.pairs;
        combing.combed += std::abs(above - below) > 4 ? 1 : 0;
    }
    return combing;
}

Box BrightBox(const Picture& picture) {
    int left = picture.width, right = -1, top = picture.height, bottom = -1;
    for (int y = 0; y < picture.height; ++y) {
        for (int x = 0; x < picture.width; ++x) {
            if (picture.At(x, y) > 128) {
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
        }
    }
    return right < 0 ? Box{} : Box{right - left + 1, bottom - top + 1};
}

int WindowsMadeDuring(const std::function<void()>& act, const std::function<bool()>& placed) {
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        return -1;
    }
    XSelectInput(display, DefaultRootWindow(display), SubstructureNotifyMask);
    XSync(display, False);
    act();
    const bool done = PollUntil(placed, std::chrono::seconds(5));
    XSync(display, False);
    int made = 0;
    while (XPending(display) > 0) {
        XEvent event{};
        XNextEvent(display, &event);
        made += event.type == CreateNotify ? 1 : 0;
    }
    XCloseDisplay(display);
    return done ? made : -1;
}
