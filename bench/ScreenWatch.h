// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

// What the whole-program benchmarks see of other programs from outside, through the X server: they
// start a program, and time it until its windows appear and show a picture, as a person watching the
// screen would.

#include <X11/Xlib.h>
#include <chrono>
#include <functional>
#include <set>
#include <string>
#include <sys/types.h>
#include <vector>

// A rectangle in root coordinates.
struct ScreenArea {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

// The pixels of an area of the screen: 8-bit red, green and blue, row after row.
struct ScreenPicture {
    int width = 0;
    int height = 0;
    std::vector<unsigned char> rgb;
};

// One connection to the X server, with X errors about windows that vanish while looked at ignored.
class ScreenWatch {
public:
    ScreenWatch();
    ~ScreenWatch();
    ScreenWatch(const ScreenWatch&) = delete;
    ScreenWatch& operator=(const ScreenWatch&) = delete;

    // Every window in the tree, top-level windows and their children.
    std::vector<Window> AllWindows() const;
    // The first viewable window whose title contains the text, or 0.
    Window FindViewable(const std::string& titlePart) const;
    // The first viewable window not in the set whose title contains the text, or 0.
    Window FindNewViewable(const std::set<Window>& existing, const std::string& titlePart) const;
    bool Viewable(Window window) const;
    // The viewable native child windows of a window (the video panel is the main window's only one).
    std::vector<Window> ViewableChildren(Window window) const;
    // The window's rectangle in root coordinates; an empty area when it is gone.
    ScreenArea AreaOf(Window window) const;

    // Share of a grid of points in the area that is not black (0 when it cannot be read).
    double DrawnShare(const ScreenArea& area) const;
    // Share of a grid of points in the area with strong colour, as a test picture has and a window's
    // grey, white or black background has not.
    double ColourShare(const ScreenArea& area) const;
    // Whether any new viewable window (not in the set) shows a picture with strong colour.
    bool AnyNewWindowShowsPicture(const std::set<Window>& existing) const;
    // The first new viewable window that shows a picture with strong colour, or 0.
    Window NewWindowShowingPicture(const std::set<Window>& existing) const;
    // The first new viewable window of at least 16 x 16 pixels (a program's window, not a helper's), or 0.
    Window NewViewableWindow(const std::set<Window>& existing) const;

    // What the screen shows in the area (the part of it on the screen); empty when it cannot be read.
    ScreenPicture Grab(const ScreenArea& area) const;

    // When $TARNWICK_BENCH_SNAPSHOTS names a folder, saves the whole screen there as <name>.ppm, so that
    // a person can see what a benchmark took for its moment.
    void Snapshot(const std::string& name) const;

    Display* display() const { return display_; }

private:
    std::string TitleOf(Window window) const;
    double Share(const ScreenArea& area,
                 const std::function<bool(unsigned, unsigned, unsigned)>& counts) const;

    Display* display_ = nullptr;
};

// A started program: its standard streams go to /dev/null; the destructor kills it if still there.
class StartedProgram {
public:
    // extraEnvironment holds "NAME=value" entries added to (or replacing) this process's environment.
    StartedProgram(const std::vector<std::string>& arguments, const std::string& folder = {},
                   const std::vector<std::string>& extraEnvironment = {});
    ~StartedProgram();
    StartedProgram(const StartedProgram&) = delete;
    StartedProgram& operator=(const StartedProgram&) = delete;

    bool Started() const { return pid_ > 0; }
    bool Running() const;
    // Kills the program and waits for it.
    void Kill();

    struct Usage {
        double cpuSeconds = 0; // user and system time
        double peakMiB = 0;    // peak resident memory
    };
    // Kills the program, waits for it and tells what it used from its start; zeros when it was not
    // running.
    Usage KillAndMeasure();

private:
    pid_t pid_ = 0;
};

// Polls the condition every 5 ms until it holds or the timeout passes; returns the seconds from the
// start given to the moment it held, or a negative number on timeout.
double SecondsUntil(std::chrono::steady_clock::time_point start, const std::function<bool()>& condition,
                    std::chrono::milliseconds timeout = std::chrono::seconds(15));
