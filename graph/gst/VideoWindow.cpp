// SPDX-License-Identifier: GPL-2.0-or-later
#include "graph/gst/VideoWindow.h"

#include <X11/Xlib.h>
#include <algorithm>

namespace {

Display* AsDisplay(void* display) {
    return static_cast<Display*>(display);
}

// A window that went away under us (the owner was destroyed first) must not end the program: Xlib's
// default handler exits on any error.
int IgnoreErrors(Display*, XErrorEvent*) {
    return 0;
}

} // namespace

VideoWindow::VideoWindow() {
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        return;
    }
    display_ = display;
    XSetErrorHandler(IgnoreErrors);
    XSetWindowAttributes attributes{};
    attributes.background_pixel = BlackPixel(display, DefaultScreen(display));
    attributes.override_redirect = True;
    window_ = XCreateWindow(display, DefaultRootWindow(display), 0, 0, static_cast<unsigned>(width_),
                            static_cast<unsigned>(height_), 0, CopyFromParent, InputOutput, CopyFromParent,
                            CWBackPixel | CWOverrideRedirect, &attributes);
    XSync(display, False);
}

VideoWindow::~VideoWindow() {
    if (!display_) {
        return;
    }
    if (window_) {
        XDestroyWindow(AsDisplay(display_), window_);
    }
    XCloseDisplay(AsDisplay(display_));
}

bool VideoWindow::SetOwner(std::uintptr_t owner) {
    std::lock_guard guard(lock_);
    if (!window_) {
        return false;
    }
    if (owner == owner_) {
        return true;
    }
    Display* display = AsDisplay(display_);
    XUnmapWindow(display, window_);
    shown_ = false;
    const Window parent = owner ? static_cast<Window>(owner) : DefaultRootWindow(display);
    XReparentWindow(display, window_, parent, 0, 0);
    XSync(display, False);
    owner_ = owner;
    return true;
}

bool VideoWindow::SetPosition(int left, int top, int width, int height) {
    std::lock_guard guard(lock_);
    if (!window_ || !owner_) {
        return false;
    }
    width_ = std::max(width, 1);
    height_ = std::max(height, 1);
    Display* display = AsDisplay(display_);
    XMoveResizeWindow(display, window_, left, top, static_cast<unsigned>(width_),
                      static_cast<unsigned>(height_));
    XMapWindow(display, window_);
    XSync(display, False);
    shown_ = true;
    return true;
}

bool VideoWindow::SizeWhileHidden(int width, int height) {
    std::lock_guard guard(lock_);
    if (!window_ || shown_) {
        return false;
    }
    width_ = std::max(width, 1);
    height_ = std::max(height, 1);
    XResizeWindow(AsDisplay(display_), window_, static_cast<unsigned>(width_),
                  static_cast<unsigned>(height_));
    XSync(AsDisplay(display_), False);
    return true;
}

int VideoWindow::Width() const {
    std::lock_guard guard(lock_);
    return width_;
}

int VideoWindow::Height() const {
    std::lock_guard guard(lock_);
    return height_;
}

bool VideoWindow::OwnerSize(int& width, int& height) const {
    std::lock_guard guard(lock_);
    XWindowAttributes attributes{};
    if (!window_ || !owner_ || !XGetWindowAttributes(AsDisplay(display_), owner_, &attributes)) {
        return false;
    }
    width = attributes.width;
    height = attributes.height;
    return true;
}

void VideoWindow::Hide() {
    std::lock_guard guard(lock_);
    if (window_) {
        XUnmapWindow(AsDisplay(display_), window_);
        XSync(AsDisplay(display_), False);
        shown_ = false;
    }
}
