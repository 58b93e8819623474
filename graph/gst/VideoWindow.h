#pragma once

#include <cstdint>

// The video window: an X window of the graph's own that the video renderer draws into. It exists
// before the renderer asks for a window (hidden, so nothing shows before it is placed), moves into
// the owner window as a child when given one, and is placed at the rectangle asked for; the owner
// clips what overhangs. Because it is a separate child window, the renderer never paints over the
// owner's other contents, and input goes on to the owner: this window asks for no events.
//
// Used on the user-interface thread only, through a connection to the X server of its own.
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
    int Width() const { return width_; }
    int Height() const { return height_; }

private:
    void* display_ = nullptr;
    unsigned long window_ = 0;
    unsigned long owner_ = 0;
    int width_ = 1;
    int height_ = 1;
};
