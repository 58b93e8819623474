// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <cstdint>
#include <mutex>

// The video window: an X window of the graph's own that the video renderer draws into. It exists
// before the renderer asks for a window (hidden, so nothing shows before it is placed), moves into
// the owner window as a child when given one, and is placed at the rectangle asked for; the owner
// clips what overhangs. Because it is a separate child window, the renderer never paints over the
// owner's other contents, and input goes on to the owner: this window asks for no events.
//
// Used on the user-interface thread, through a connection to the X server of its own, except that a
// build sizes it once from a streaming thread (SizeWhileHidden); a lock keeps the two apart.
class VideoWindow {
public:
    VideoWindow();
    ~VideoWindow();
    VideoWindow(const VideoWindow&) = delete;
    VideoWindow& operator=(const VideoWindow&) = delete;

    // 0 when there is no X server to make a window on.
    std::uintptr_t Handle() const { return window_; }

    // Moves the window into the owner (0: back out to the root, hidden).
    bool SetOwner(std::uintptr_t owner);
    // Places and shows the window inside the owner. Sizes below 1 are taken as 1.
    bool SetPosition(int left, int top, int width, int height);
    // Takes the window off the owner, which then shows its own background, until it is placed again.
    void Hide();
    // Gives a window that is not on the screen the size it is about to be placed at, so that a video
    // sink negotiates its pictures at that size; false, and nothing changed, while it is shown.
    bool SizeWhileHidden(int width, int height);
    int Width() const;
    int Height() const;
    // The owner's size in device pixels; false while the window has no owner.
    bool OwnerSize(int& width, int& height) const;

private:
    mutable std::mutex lock_;
    bool shown_ = false;
    void* display_ = nullptr;
    unsigned long window_ = 0;
    unsigned long owner_ = 0;
    int width_ = 1;
    int height_ = 1;
};
