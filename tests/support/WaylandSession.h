// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <string>
#include <vector>

// A headless Wayland compositor (weston) of the test's own, as a user's desktop session runs one,
// with Xwayland beside it when asked: the X server that X programs of the session reach.
class WaylandSession {
public:
    // Throws when the compositor (or its Xwayland) does not come up.
    explicit WaylandSession(bool withXwayland);
    ~WaylandSession();
    WaylandSession(const WaylandSession&) = delete;
    WaylandSession& operator=(const WaylandSession&) = delete;

    // For WAYLAND_DISPLAY: the compositor's socket, as a full path.
    const std::string& Socket() const { return socket_; }
    // For DISPLAY: Xwayland's display (":N"); empty without Xwayland.
    const std::string& XDisplay() const { return xDisplay_; }

    // The compositor's whole output, as the user sees it (Wayland and X windows alike), saved as a
    // PNG file; its pixels come back as rows of 0xRRGGBB. False when no picture could be taken.
    bool Screenshot(const std::string& pngPath, std::vector<unsigned long>& pixels, int& width,
                    int& height) const;

private:
    void Stop();

    std::string folder_;
    std::string socket_;
    std::string xDisplay_;
    int pid_ = 0;
};

// Sets an environment variable for as long as the object lives (unsets it when the value is null),
// then puts back what was there.
class ScopedVariable {
public:
    ScopedVariable(const char* name, const char* value);
    ~ScopedVariable();
    ScopedVariable(const ScopedVariable&) = delete;
    ScopedVariable& operator=(const ScopedVariable&) = delete;

private:
    std::string name_;
    std::string old_;
    bool hadOld_ = false;
};
