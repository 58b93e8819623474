// SPDX-License-Identifier: GPL-2.0-or-later
#include "app/WindowSystemChoice.h"

#include <QGuiApplication>
#include <cstdlib>
#include <cstring>
#include <string_view>
// Xlib after Qt: its macros (None, Bool, ...) would break Qt's headers.
#include <X11/Xlib.h>

namespace {

bool Set(const char* value) {
    return value != nullptr && *value != '\0';
}

// A list such as "wayland;xcb" asks for Wayland first; any entry naming Wayland is a request for it.
bool NamesWayland(std::string_view platforms) {
    return platforms.find("wayland") != std::string_view::npos;
}

// Connecting also starts an Xwayland that the compositor keeps ready to start on demand.
bool XServerAnswers() {
    if (!Set(std::getenv("DISPLAY"))) {
        return false;
    }
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        return false;
    }
    XCloseDisplay(display);
    return true;
}

} // namespace

std::string ChosenPlatform(const WindowSystemFacts& facts) {
    if (facts.platformOnCommandLine || !facts.waylandSession || !facts.xServerReachable) {
        return {};
    }
    // A platform that is not Wayland (offscreen, vnc, xcb) was chosen for reasons of its own.
    if (!facts.platformVariable.empty() && !NamesWayland(facts.platformVariable)) {
        return {};
    }
    return "xcb";
}

bool PlatformOnCommandLine(int argc, char** argv) {
    // The toolkit reads "-platform NAME", with one dash or two, anywhere among the arguments.
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::strcmp(argv[i], "-platform") == 0 || std::strcmp(argv[i], "--platform") == 0) {
            return true;
        }
    }
    return false;
}

void ChooseWindowSystem(int argc, char** argv) {
    WindowSystemFacts facts;
    // The toolkit turns to Wayland on either sign, and finds the compositor's usual socket without
    // WAYLAND_DISPLAY.
    const char* sessionType = std::getenv("XDG_SESSION_TYPE");
    facts.waylandSession = Set(std::getenv("WAYLAND_DISPLAY")) ||
                           (sessionType != nullptr && std::string_view(sessionType) == "wayland");
    const char* variable = std::getenv("QT_QPA_PLATFORM");
    facts.platformVariable = variable ? variable : "";
    facts.platformOnCommandLine = PlatformOnCommandLine(argc, argv);
    // Asked only when the answer can matter, so a start outside Wayland makes no extra connection.
    if (facts.waylandSession && !facts.platformOnCommandLine) {
        facts.xServerReachable = XServerAnswers();
    }
    const std::string platform = ChosenPlatform(facts);
    if (!platform.empty()) {
        ::setenv("QT_QPA_PLATFORM", platform.c_str(), 1);
    }
}

bool RunningOnWayland() {
    return QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}
