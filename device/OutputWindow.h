// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <memory>
#include <string>

// Where the device's output window goes: a monitor by its index in the X server's list (0 is the
// first; an index the server does not have gives a window on the first, never a full screen) and
// whether it covers that monitor.
struct OutputPlacement {
    int monitor = 0;
    bool fullscreen = false;
};

// The device's own top-level X11 window, which its video sink draws into. It holds a connection to
// the X server of its own, so it never shares a display with the toolkit of the program that loaded
// the device. The window is shown when opened and destroyed with the object.
//
// A full-screen window is override-redirect: no window manager places it, so it covers exactly the
// chosen monitor. A plain _NET_WM_STATE_FULLSCREEN request is not enough: sway puts such a window on
// the focused output whatever its position says, and sway does not take _NET_WM_FULLSCREEN_MONITORS
// at all, while both sway and openbox leave an override-redirect window where it asks to be.
class OutputWindow {
public:
    // The size of the window when it does not cover its monitor (a standard-definition output).
    static constexpr int WindowedWidth = 720;
    static constexpr int WindowedHeight = 480;

    // Opens the window titled `title`; returns null with the reason in `error` when there is no
    // X server to show it on.
    static std::unique_ptr<OutputWindow> Open(const std::string& title, const OutputPlacement& placement,
                                              std::string& error);
    ~OutputWindow();
    OutputWindow(const OutputWindow&) = delete;
    OutputWindow& operator=(const OutputWindow&) = delete;

    // The X window id, as video sinks take it through GstVideoOverlay.
    unsigned long Handle() const { return window_; }
    // The size the window was made at.
    int Width() const { return width_; }
    int Height() const { return height_; }

private:
    OutputWindow(void* display, unsigned long window, int width, int height)
        : display_(display), window_(window), width_(width), height_(height) {}

    void* display_;
    unsigned long window_;
    int width_;
    int height_;
};
