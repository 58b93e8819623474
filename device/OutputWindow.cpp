// SPDX-License-Identifier: GPL-2.0-or-later
#include "device/OutputWindow.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/Xrandr.h>
#include <algorithm>
#include <unistd.h>

namespace {

struct Rectangle {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

// The monitor's area on the root window; the whole screen when the server does not list monitors.
// `listed` tells whether the server has the monitor: one it no longer lists (unplugged since the
// placement was worked out) gives the first monitor's area.
Rectangle MonitorArea(Display* display, int monitor, bool& listed) {
    listed = monitor == 0;
    int screen = DefaultScreen(display);
    Rectangle area{0, 0, DisplayWidth(display, screen), DisplayHeight(display, screen)};
    int eventBase = 0;
    int errorBase = 0;
    if (!XRRQueryExtension(display, &eventBase, &errorBase)) {
        return area;
    }
    int count = 0;
    XRRMonitorInfo* monitors = XRRGetMonitors(display, RootWindow(display, screen), True, &count);
    if (monitors && count > 0) {
        listed = monitor >= 0 && monitor < count;
        const XRRMonitorInfo& chosen = monitors[listed ? monitor : 0];
        area = {chosen.x, chosen.y, chosen.width, chosen.height};
    }
    if (monitors) {
        XRRFreeMonitors(monitors);
    }
    return area;
}

void SetTitle(Display* display, Window window, const std::string& title) {
    XStoreName(display, window, title.c_str());
    Atom netName = XInternAtom(display, "_NET_WM_NAME", False);
    Atom utf8 = XInternAtom(display, "UTF8_STRING", False);
    XChangeProperty(display, window, netName, utf8, 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(title.data()), static_cast<int>(title.size()));
}

// A window manager closing the window would otherwise kill this connection, and Xlib ends the
// whole process when its connection dies. With the delete protocol the request is only a message,
// which nobody reads: the output stays until the device lets it go.
void RefuseToBeKilled(Display* display, Window window) {
    Atom deleteWindow = XInternAtom(display, "WM_DELETE_WINDOW", False);
    XSetWMProtocols(display, window, &deleteWindow, 1);
}

} // namespace

std::unique_ptr<OutputWindow> OutputWindow::Open(const std::string& title, const OutputPlacement& placement,
                                                 std::string& error) {
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        error = "cannot open the X display";
        return nullptr;
    }
    bool listed = false;
    Rectangle area = MonitorArea(display, placement.monitor, listed);
    // A monitor gone since it was chosen must not turn into a full screen over the first one, which
    // may be the one the player is on: the picture goes in a window there instead.
    const bool fullscreen = placement.fullscreen && listed;
    if (!fullscreen) {
        area.width = std::min(WindowedWidth, area.width);
        area.height = std::min(WindowedHeight, area.height);
    }
    int screen = DefaultScreen(display);
    XSetWindowAttributes attributes{};
    attributes.background_pixel = BlackPixel(display, screen);
    attributes.border_pixel = BlackPixel(display, screen);
    attributes.override_redirect = fullscreen ? True : False;
    Window window =
        XCreateWindow(display, RootWindow(display, screen), area.x, area.y, static_cast<unsigned>(area.width),
                      static_cast<unsigned>(area.height), 0, CopyFromParent, InputOutput, CopyFromParent,
                      CWBackPixel | CWBorderPixel | CWOverrideRedirect, &attributes);
    SetTitle(display, window, title);
    long pid = ::getpid();
    XChangeProperty(display, window, XInternAtom(display, "_NET_WM_PID", False), XA_CARDINAL, 32,
                    PropModeReplace, reinterpret_cast<const unsigned char*>(&pid), 1);
    RefuseToBeKilled(display, window);
    // Without a window manager the position is ours; with one, these hints keep it on the monitor.
    XSizeHints hints{};
    hints.flags = USPosition | USSize;
    hints.x = area.x;
    hints.y = area.y;
    hints.width = area.width;
    hints.height = area.height;
    XSetWMNormalHints(display, window, &hints);
    XMapRaised(display, window);
    XSync(display, False);
    return std::unique_ptr<OutputWindow>(new OutputWindow(display, window, area.width, area.height));
}

OutputWindow::~OutputWindow() {
    auto* display = static_cast<Display*>(display_);
    XDestroyWindow(display, window_);
    XCloseDisplay(display);
}
