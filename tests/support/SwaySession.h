// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <string>
#include <vector>

// A headless sway of the test's own with Xwayland, as a user's tiling Wayland session runs one, with
// outputs of given sizes side by side: X programs see them as monitors XWAYLAND0, 1, ... sway honours
// no X position hints (it tiles X windows on the focused output), which makes it the test of whether
// a window stays on the monitor it asks for.
//
// sway refuses to run as root, so when the test runs as root the compositor runs as the user nobody,
// and Xwayland is told to let root's clients in.
class SwaySession {
public:
    struct Output {
        int width;
        int height;
    };
    // Throws when sway or its Xwayland does not come up.
    explicit SwaySession(const std::vector<Output>& outputs);
    ~SwaySession();
    SwaySession(const SwaySession&) = delete;
    SwaySession& operator=(const SwaySession&) = delete;

    // For DISPLAY: Xwayland's display (":N").
    const std::string& XDisplay() const { return xDisplay_; }
    // Adds an output while programs run (swaymsg create_output); false when sway refused.
    bool CreateOutput() const;
    // One output's picture (grim -o NAME, "HEADLESS-1" for the first), saved as a PPM file; its pixels
    // come back as rows of 0xRRGGBB. False when no picture could be taken.
    bool Screenshot(const std::string& output, const std::string& ppmPath, std::vector<unsigned long>& pixels,
                    int& width, int& height) const;

private:
    void Stop();
    std::string Environment() const;

    std::string folder_;
    std::string xDisplay_;
    int pid_ = 0;
};
