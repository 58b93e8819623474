// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <string>

// Which of the toolkit's window systems the program runs on. The video picture lives in an X window
// inside the video panel, so the panel must be an X window too: under a Wayland session that offers
// an X server (Xwayland), the program runs on X even when the session asks every program to use
// Wayland. Only the toolkit's own -platform option on this program's command line is taken as the
// user's choice for this program.

// What the choice depends on.
struct WindowSystemFacts {
    bool waylandSession = false;   // WAYLAND_DISPLAY names a compositor, or XDG_SESSION_TYPE is wayland
    bool xServerReachable = false; // an X server answers at DISPLAY
    std::string platformVariable;  // QT_QPA_PLATFORM as the session set it
    bool platformOnCommandLine = false;
};

// The platform to run on ("xcb"), or empty to leave the toolkit's own choice alone.
std::string ChosenPlatform(const WindowSystemFacts& facts);

// Whether the arguments carry the toolkit's -platform option (or --platform) with its value.
bool PlatformOnCommandLine(int argc, char** argv);

// Reads the session and sets the toolkit's platform before the application object is made.
void ChooseWindowSystem(int argc, char** argv);

// Whether the toolkit runs on a Wayland compositor, where no X window can live in the panel.
bool RunningOnWayland();
