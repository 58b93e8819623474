// SPDX-License-Identifier: GPL-2.0-or-later
#include "tests/support/X11Tools.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <algorithm>
#include <chrono>
#include <memory>
#include <stdexcept>
#include <thread>

namespace {

struct DisplayCloser {
    void operator()(Display* display) const { XCloseDisplay(display); }
};
using DisplayHandle = std::unique_ptr<Display, DisplayCloser>;

// Windows of other programs come and go while the tree is walked; a request about one that has just
// gone must not end the test program, as Xlib's default handler would.
int IgnoreXError(Display*, XErrorEvent*) {
    return 0;
}

DisplayHandle OpenDisplay() {
    XSetErrorHandler(IgnoreXError);
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        throw std::runtime_error("cannot open the X display");
    }
    return DisplayHandle(display);
}

// A window property of 32-bit items, empty when the window has none.
std::vector<long> LongsOf(Display* display, Window window, const char* name, Atom type) {
    Atom actual = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    std::vector<long> values;
    if (XGetWindowProperty(display, window, XInternAtom(display, name, False), 0, 64, False, type, &actual,
                           &format, &count, &after, &data) == Success &&
        data && format == 32) {
        const auto* items = reinterpret_cast<const long*>(data);
        values.assign(items, items + count);
    }
    if (data) {
        XFree(data);
    }
    return values;
}

void ReadFrame(Display* display, X11Window& seen) {
    const std::vector<long> extents = LongsOf(display, seen.id, "_NET_FRAME_EXTENTS", XA_CARDINAL);
    if (extents.size() == 4) {
        seen.frameLeft = static_cast<int>(extents[0]);
        seen.frameRight = static_cast<int>(extents[1]);
        seen.frameTop = static_cast<int>(extents[2]);
        seen.frameBottom = static_cast<int>(extents[3]);
    }
}

void Collect(Display* display, Window window, std::vector<X11Window>& found) {
    Window root = 0, parent = 0;
    Window* children = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(display, window, &root, &parent, &children, &count)) {
        return;
    }
    for (unsigned int i = 0; i < count; ++i) {
        std::string title = WindowTitle(display, children[i]);
        if (!title.empty()) {
            XWindowAttributes attributes{};
            XGetWindowAttributes(display, children[i], &attributes);
            int x = 0, y = 0;
            Window child = 0;
            XTranslateCoordinates(display, children[i], root, 0, 0, &x, &y, &child);
            X11Window seen{children[i],
                           title,
                           x,
                           y,
                           attributes.width,
                           attributes.height,
                           attributes.map_state == IsViewable};
            ReadFrame(display, seen);
            found.push_back(seen);
        }
        Collect(display, children[i], found);
    }
    if (children) {
        XFree(children);
    }
}

} // namespace

std::string WindowTitle(Display* display, unsigned long window) {
    Atom netName = XInternAtom(display, "_NET_WM_NAME", False);
    Atom utf8 = XInternAtom(display, "UTF8_STRING", False);
    Atom type = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    std::string title;
    if (XGetWindowProperty(display, window, netName, 0, 1024, False, utf8, &type, &format, &count, &after,
                           &data) == Success &&
        data) {
        title.assign(reinterpret_cast<char*>(data), count);
        XFree(data);
    }
    if (title.empty()) {
        char* name = nullptr;
        if (XFetchName(display, window, &name) && name) {
            title = name;
            XFree(name);
        }
    }
    return title;
}

bool WindowManagerRunning() {
    DisplayHandle display = OpenDisplay();
    Atom check = XInternAtom(display.get(), "_NET_SUPPORTING_WM_CHECK", False);
    Atom type = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    const bool announced =
        XGetWindowProperty(display.get(), DefaultRootWindow(display.get()), check, 0, 1, False, XA_WINDOW,
                           &type, &format, &count, &after, &data) == Success &&
        count == 1;
    if (data) {
        XFree(data);
    }
    return announced;
}

std::vector<X11Window> ListTitledWindows() {
    DisplayHandle display = OpenDisplay();
    std::vector<X11Window> found;
    Collect(display.get(), DefaultRootWindow(display.get()), found);
    return found;
}

std::optional<X11Window> WaitForWindow(const std::string& titlePart, int timeoutMs) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    do {
        for (const X11Window& window : ListTitledWindows()) {
            if (window.mapped && window.title.find(titlePart) != std::string::npos) {
                return window;
            }
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    } while (std::chrono::steady_clock::now() < deadline);
    return std::nullopt;
}

std::optional<X11Window> WaitForWindowWhere(const std::string& titlePart, bool (*condition)(const X11Window&),
                                            int timeoutMs, X11Window* last) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    do {
        for (const X11Window& window : ListTitledWindows()) {
            if (window.mapped && window.title.find(titlePart) != std::string::npos) {
                if (last) {
                    *last = window;
                }
                if (condition(window)) {
                    return window;
                }
            }
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    } while (std::chrono::steady_clock::now() < deadline);
    return std::nullopt;
}

void RequestClose(unsigned long window) {
    DisplayHandle display = OpenDisplay();
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display.get(), "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(display.get(), "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display.get(), window, False, NoEventMask, &event);
    XFlush(display.get());
}

ServerGrab::ServerGrab() : display_(OpenDisplay().release()) {
    XGrabServer(display_);
    XSync(display_, False);
}

ServerGrab::~ServerGrab() {
    XUngrabServer(display_);
    XCloseDisplay(display_);
}

bool AnswersPing(unsigned long window, int timeoutMs) {
    DisplayHandle display = OpenDisplay();
    Display* d = display.get();
    const Window root = DefaultRootWindow(d);
    // The answer goes to the root window, to whoever watches its structure (and the window manager).
    XSelectInput(d, root, StructureNotifyMask);
    const Atom protocols = XInternAtom(d, "WM_PROTOCOLS", False);
    const Atom ping = XInternAtom(d, "_NET_WM_PING", False);
    const long stamp = 4242;
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = protocols;
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(ping);
    event.xclient.data.l[1] = stamp;
    event.xclient.data.l[2] = static_cast<long>(window);
    XSendEvent(d, window, False, NoEventMask, &event);
    XSync(d, False);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (std::chrono::steady_clock::now() < deadline) {
        while (XPending(d) > 0) {
            XEvent answer{};
            XNextEvent(d, &answer);
            if (answer.type == ClientMessage && answer.xclient.message_type == protocols &&
                static_cast<Atom>(answer.xclient.data.l[0]) == ping && answer.xclient.data.l[1] == stamp &&
                static_cast<Window>(answer.xclient.data.l[2]) == window) {
                return true;
            }
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

CoveringWindow::CoveringWindow(int x, int y, int width, int height, unsigned long pixel)
    : display_(OpenDisplay().release()) {
    XSetWindowAttributes attributes{};
    attributes.override_redirect = True;
    attributes.background_pixel = pixel;
    window_ = XCreateWindow(display_, DefaultRootWindow(display_), x, y, static_cast<unsigned>(width),
                            static_cast<unsigned>(height), 0, CopyFromParent, InputOutput, CopyFromParent,
                            CWOverrideRedirect | CWBackPixel, &attributes);
    XMapRaised(display_, window_);
    XSync(display_, False);
}

CoveringWindow::~CoveringWindow() {
    XDestroyWindow(display_, window_);
    XCloseDisplay(display_);
}

void ResizeWindow(unsigned long window, int width, int height) {
    DisplayHandle display = OpenDisplay();
    XResizeWindow(display.get(), window, static_cast<unsigned>(width), static_cast<unsigned>(height));
    XSync(display.get(), False);
}

void ClickAt(int x, int y, int clicks) {
    DisplayHandle display = OpenDisplay();
    XTestFakeMotionEvent(display.get(), -1, x, y, CurrentTime);
    XSync(display.get(), False);
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    for (int i = 0; i < clicks; ++i) {
        XTestFakeButtonEvent(display.get(), 1, True, CurrentTime);
        XTestFakeButtonEvent(display.get(), 1, False, CurrentTime);
        XSync(display.get(), False);
        std::this_thread::sleep_for(std::chrono::milliseconds(40));
    }
}

void PressKey(const std::string& keysymName) {
    DisplayHandle display = OpenDisplay();
    KeyCode code = XKeysymToKeycode(display.get(), XStringToKeysym(keysymName.c_str()));
    XTestFakeKeyEvent(display.get(), code, True, CurrentTime);
    XTestFakeKeyEvent(display.get(), code, False, CurrentTime);
    XSync(display.get(), False);
}

void MovePointerTo(int x, int y) {
    DisplayHandle display = OpenDisplay();
    XTestFakeMotionEvent(display.get(), -1, x, y, CurrentTime);
    XSync(display.get(), False);
}

unsigned long PixelAt(int x, int y) {
    DisplayHandle display = OpenDisplay();
    XImage* image =
        XGetImage(display.get(), DefaultRootWindow(display.get()), x, y, 1, 1, AllPlanes, ZPixmap);
    if (image == nullptr) {
        return 0;
    }
    const unsigned long value = XGetPixel(image, 0, 0);
    XDestroyImage(image);
    return value;
}

std::vector<unsigned long> ReadScreen(int x, int y, int& width, int& height) {
    DisplayHandle display = OpenDisplay();
    const int screen = DefaultScreen(display.get());
    width = std::max(0, std::min(width, DisplayWidth(display.get(), screen) - x));
    height = std::max(0, std::min(height, DisplayHeight(display.get(), screen) - y));
    std::vector<unsigned long> pixels;
    if (x < 0 || y < 0 || width == 0 || height == 0) {
        width = height = 0;
        return pixels;
    }
    XImage* image =
        XGetImage(display.get(), DefaultRootWindow(display.get()), x, y, static_cast<unsigned>(width),
                  static_cast<unsigned>(height), AllPlanes, ZPixmap);
    if (image == nullptr) {
        width = height = 0;
        return pixels;
    }
    pixels.reserve(static_cast<size_t>(width) * static_cast<size_t>(height));
    for (int row = 0; row < height; ++row) {
        for (int column = 0; column < width; ++column) {
            pixels.push_back(XGetPixel(image, column, row));
        }
    }
    XDestroyImage(image);
    return pixels;
}
