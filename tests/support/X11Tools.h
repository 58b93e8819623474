// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <optional>
#include <string>
#include <vector>

// What an X client outside the program sees of the program's windows, for end-to-end tests that drive
// the program as a user would.

struct X11Window {
    unsigned long id = 0;
    std::string title;
    int x = 0; // root coordinates of the window's top-left corner
    int y = 0;
    int width = 0;
    int height = 0;
    bool mapped = false;
    // The frame a window manager draws round the window (_NET_FRAME_EXTENTS); 0 without one.
    int frameLeft = 0;
    int frameRight = 0;
    int frameTop = 0;
    int frameBottom = 0;

    int OuterX() const { return x - frameLeft; }
    int OuterY() const { return y - frameTop; }
    int OuterWidth() const { return width + frameLeft + frameRight; }
    int OuterHeight() const { return height + frameTop + frameBottom; }
};

struct _XDisplay; // Xlib's Display

// A window's title: its UTF-8 _NET_WM_NAME, else its WM_NAME; empty when it has none.
std::string WindowTitle(_XDisplay* display, unsigned long window);

// Whether a window manager has announced itself on the display.
bool WindowManagerRunning();

// Every window in the tree under the root whose title is not empty.
std::vector<X11Window> ListTitledWindows();

// The first mapped window whose title contains the text, waiting up to the timeout.
std::optional<X11Window> WaitForWindow(const std::string& titlePart, int timeoutMs);

// The first mapped window whose title contains the text and for which the condition holds, waiting up
// to the timeout; the last such window seen (whether the condition held or not) goes to `last`.
std::optional<X11Window> WaitForWindowWhere(const std::string& titlePart, bool (*condition)(const X11Window&),
                                            int timeoutMs, X11Window* last = nullptr);

// Asks the window to close, the way a window manager does when its close button is pressed.
void RequestClose(unsigned long window);

// Clicks (or double-clicks) with the first button at root coordinates.
void ClickAt(int x, int y, int clicks = 1);

// Sends a key press and release to the window that has the focus (an X keysym name: "Return").
void PressKey(const std::string& keysymName);

// Moves the pointer to root coordinates without clicking (off a control, so none shows its hover look).
void MovePointerTo(int x, int y);

// The pixel value of the screen at root coordinates.
unsigned long PixelAt(int x, int y);

// Holds the X server for this client alone while it lives: every other client's requests wait, as a
// starting program waits on a busy display before its window is ever shown.
class ServerGrab {
public:
    ServerGrab();
    ~ServerGrab();
    ServerGrab(const ServerGrab&) = delete;
    ServerGrab& operator=(const ServerGrab&) = delete;

private:
    _XDisplay* display_;
};

// Asks for a new size of a top-level window, as a user dragging its frame does; the window manager
// grants it.
void ResizeWindow(unsigned long window, int width, int height);

// Whether the window answers the window manager's _NET_WM_PING within the timeout, as a desktop asks
// before it offers to kill a program that does not respond.
bool AnswersPing(unsigned long window, int timeoutMs);

// A plain window of one colour laid over a part of the screen while it lives, as another program's
// window lies over the player's; gone again, the player must draw what it uncovers.
class CoveringWindow {
public:
    CoveringWindow(int x, int y, int width, int height, unsigned long pixel);
    ~CoveringWindow();
    CoveringWindow(const CoveringWindow&) = delete;
    CoveringWindow& operator=(const CoveringWindow&) = delete;

private:
    _XDisplay* display_;
    unsigned long window_;
};

// The screen's pixel values in a rectangle of root coordinates, row by row; the part off the screen
// is left out, so the rows may be shorter and fewer than asked. `width` and `height` come back as read.
std::vector<unsigned long> ReadScreen(int x, int y, int& width, int& height);
