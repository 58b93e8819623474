// SPDX-License-Identifier: GPL-2.0-or-later
#include "bench/ScreenWatch.h"

#include "tests/support/X11Tools.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <spawn.h>
#include <stdexcept>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>

extern char** environ;

namespace {

int IgnoreXErrors(Display*, XErrorEvent*) {
    return 0;
}

void Collect(Display* display, Window window, std::vector<Window>& windows) {
    Window root = 0;
    Window parent = 0;
    Window* children = nullptr;
    unsigned count = 0;
    if (!XQueryTree(display, window, &root, &parent, &children, &count)) {
        return;
    }
    for (unsigned i = 0; i < count; ++i) {
        windows.push_back(children[i]);
        Collect(display, children[i], windows);
    }
    if (children) {
        XFree(children);
    }
}

// The 8-bit value of one colour channel of a pixel, whatever the visual's mask.
unsigned Channel(unsigned long pixel, unsigned long mask) {
    if (mask == 0) {
        return 0;
    }
    unsigned shift = 0;
    while (!((mask >> shift) & 1UL)) {
        ++shift;
    }
    const unsigned long maximum = mask >> shift;
    return static_cast<unsigned>(((pixel & mask) >> shift) * 255UL / maximum);
}

} // namespace

ScreenWatch::ScreenWatch() : display_(XOpenDisplay(nullptr)) {
    if (!display_) {
        throw std::runtime_error("cannot open the X display");
    }
    XSetErrorHandler(IgnoreXErrors);
}

ScreenWatch::~ScreenWatch() {
    XCloseDisplay(display_);
}

std::vector<Window> ScreenWatch::AllWindows() const {
    std::vector<Window> windows;
    Collect(display_, DefaultRootWindow(display_), windows);
    return windows;
}

std::string ScreenWatch::TitleOf(Window window) const {
    return WindowTitle(display_, window);
}

bool ScreenWatch::Viewable(Window window) const {
    XWindowAttributes attributes{};
    return XGetWindowAttributes(display_, window, &attributes) && attributes.map_state == IsViewable;
}

Window ScreenWatch::FindViewable(const std::string& titlePart) const {
    return FindNewViewable({}, titlePart);
}

Window ScreenWatch::FindNewViewable(const std::set<Window>& existing, const std::string& titlePart) const {
    for (Window window : AllWindows()) {
        if (!existing.count(window) && TitleOf(window).find(titlePart) != std::string::npos &&
            Viewable(window)) {
            return window;
        }
    }
    return 0;
}

std::vector<Window> ScreenWatch::ViewableChildren(Window window) const {
    std::vector<Window> children;
    Collect(display_, window, children);
    std::erase_if(children, [this](Window child) { return !Viewable(child); });
    return children;
}

ScreenArea ScreenWatch::AreaOf(Window window) const {
    XWindowAttributes attributes{};
    if (!XGetWindowAttributes(display_, window, &attributes)) {
        return {};
    }
    int x = 0;
    int y = 0;
    Window child = 0;
    XTranslateCoordinates(display_, window, DefaultRootWindow(display_), 0, 0, &x, &y, &child);
    return {x, y, attributes.width, attributes.height};
}

double ScreenWatch::Share(const ScreenArea& wanted,
                          const std::function<bool(unsigned, unsigned, unsigned)>& counts) const {
    // Only what lies on the screen can be read back.
    const int screenWidth = DisplayWidth(display_, DefaultScreen(display_));
    const int screenHeight = DisplayHeight(display_, DefaultScreen(display_));
    const int left = std::max(wanted.x, 0);
    const int top = std::max(wanted.y, 0);
    const int right = std::min(wanted.x + wanted.width, screenWidth);
    const int bottom = std::min(wanted.y + wanted.height, screenHeight);
    if (right - left < 8 || bottom - top < 8) {
        return 0;
    }
    // The root window's image is what the screen shows, windows of every client included. Only 20
    // rows of one pixel are read: the X server and the programs being timed share the machine's
    // cores with this polling, and a whole window's image every few milliseconds would slow them.
    const int width = right - left;
    const int height = bottom - top;
    int points = 0;
    int counted = 0;
    for (int row = 0; row < 20; ++row) {
        const int y = top + height * (2 * row + 1) / 40;
        XImage* image = XGetImage(display_, DefaultRootWindow(display_), left, y,
                                  static_cast<unsigned>(width), 1, AllPlanes, ZPixmap);
        if (!image) {
            return 0;
        }
        for (int x = width / 80; x < width; x += std::max(width / 40, 1)) {
            const unsigned long pixel = XGetPixel(image, x, 0);
            ++points;
            if (counts(Channel(pixel, image->red_mask), Channel(pixel, image->green_mask),
                       Channel(pixel, image->blue_mask))) {
                ++counted;
            }
        }
        XDestroyImage(image);
    }
    return points ? static_cast<double>(counted) / points : 0;
}

double ScreenWatch::DrawnShare(const ScreenArea& area) const {
    return Share(area, [](unsigned red, unsigned green, unsigned blue) { return red + green + blue > 24; });
}

double ScreenWatch::ColourShare(const ScreenArea& area) const {
    return Share(area, [](unsigned red, unsigned green, unsigned blue) {
        return std::max({red, green, blue}) - std::min({red, green, blue}) > 80;
    });
}

bool ScreenWatch::AnyNewWindowShowsPicture(const std::set<Window>& existing) const {
    return NewWindowShowingPicture(existing) != 0;
}

Window ScreenWatch::NewWindowShowingPicture(const std::set<Window>& existing) const {
    for (Window window : AllWindows()) {
        if (existing.count(window) || !Viewable(window)) {
            continue;
        }
        const ScreenArea area = AreaOf(window);
        if (area.width >= 16 && area.height >= 16 && ColourShare(area) >= 0.1) {
            return window;
        }
    }
    return 0;
}

Window ScreenWatch::NewViewableWindow(const std::set<Window>& existing) const {
    for (Window window : AllWindows()) {
        if (existing.count(window) || !Viewable(window)) {
            continue;
        }
        const ScreenArea area = AreaOf(window);
        if (area.width >= 16 && area.height >= 16) {
            return window;
        }
    }
    return 0;
}

ScreenPicture ScreenWatch::Grab(const ScreenArea& wanted) const {
    const int left = std::max(wanted.x, 0);
    const int top = std::max(wanted.y, 0);
    const int right = std::min(wanted.x + wanted.width, DisplayWidth(display_, DefaultScreen(display_)));
    const int bottom = std::min(wanted.y + wanted.height, DisplayHeight(display_, DefaultScreen(display_)));
    ScreenPicture picture;
    if (right <= left || bottom <= top) {
        return picture;
    }
    XImage* image =
        XGetImage(display_, DefaultRootWindow(display_), left, top, static_cast<unsigned>(right - left),
                  static_cast<unsigned>(bottom - top), AllPlanes, ZPixmap);
    if (!image) {
        return picture;
    }
    picture.width = right - left;
    picture.height = bottom - top;
    picture.rgb.reserve(static_cast<std::size_t>(picture.width) * static_cast<std::size_t>(picture.height) *
                        3);
    for (int y = 0; y < picture.height; ++y) {
        for (int x = 0; x < picture.width; ++x) {
            const unsigned long pixel = XGetPixel(image, x, y);
            picture.rgb.push_back(static_cast<unsigned char>(Channel(pixel, image->red_mask)));
            picture.rgb.push_back(static_cast<unsigned char>(Channel(pixel, image->green_mask)));
            picture.rgb.push_back(static_cast<unsigned char>(Channel(pixel, image->blue_mask)));
        }
    }
    XDestroyImage(image);
    return picture;
}

void ScreenWatch::Snapshot(const std::string& name) const {
    const char* folder = std::getenv("TARNWICK_BENCH_SNAPSHOTS");
    if (!folder || !*folder) {
        return;
    }
    const ScreenPicture screen = Grab({0, 0, DisplayWidth(display_, DefaultScreen(display_)),
                                       DisplayHeight(display_, DefaultScreen(display_))});
    if (screen.rgb.empty()) {
        return;
    }
    std::ofstream out(std::string(folder) + "/" + name + ".ppm", std::ios::binary);
    out << "P6\n" << screen.width << " " << screen.height << "\n255\n";
    out.write(reinterpret_cast<const char*>(screen.rgb.data()),
              static_cast<std::streamsize>(screen.rgb.size()));
}

StartedProgram::StartedProgram(const std::vector<std::string>& arguments, const std::string& folder,
                               const std::vector<std::string>& extraEnvironment) {
    std::vector<std::string> environment = extraEnvironment;
    for (char** entry = environ; *entry; ++entry) {
        const std::string text = *entry;
        const std::string name = text.substr(0, text.find('=') + 1);
        const bool replaced =
            std::any_of(extraEnvironment.begin(), extraEnvironment.end(),
                        [&name](const std::string& extra) { return extra.starts_with(name); });
        if (!replaced) {
            environment.push_back(text);
        }
    }
    std::vector<char*> argv;
    for (const auto& argument : arguments) {
        argv.push_back(const_cast<char*>(argument.c_str()));
    }
    argv.push_back(nullptr);
    std::vector<char*> envp;
    for (auto& entry : environment) {
        envp.push_back(entry.data());
    }
    envp.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    if (!folder.empty()) {
        posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
    }
    if (posix_spawnp(&pid_, argv[0], &actions, nullptr, argv.data(), envp.data()) != 0) {
        pid_ = 0;
    }
    posix_spawn_file_actions_destroy(&actions);
}

StartedProgram::~StartedProgram() {
    Kill();
}

bool StartedProgram::Running() const {
    // Looks without reaping, so that Kill never signals a process id taken by another.
    siginfo_t info{};
    return pid_ > 0 && ::waitid(P_PID, static_cast<id_t>(pid_), &info, WEXITED | WNOHANG | WNOWAIT) == 0 &&
           info.si_pid == 0;
}

void StartedProgram::Kill() {
    KillAndMeasure();
}

StartedProgram::Usage StartedProgram::KillAndMeasure() {
    Usage usage;
    if (pid_ <= 0) {
        return usage;
    }
    ::kill(pid_, SIGKILL);
    rusage used{};
    ::wait4(pid_, nullptr, 0, &used);
    pid_ = 0;
    usage.cpuSeconds = static_cast<double>(used.ru_utime.tv_sec + used.ru_stime.tv_sec) +
                       static_cast<double>(used.ru_utime.tv_usec + used.ru_stime.tv_usec) / 1e6;
    // Linux gives the peak in KiB.
    usage.peakMiB = static_cast<double>(used.ru_maxrss) / 1024.0;
    return usage;
}

double SecondsUntil(std::chrono::steady_clock::time_point start, const std::function<bool()>& condition,
                    std::chrono::milliseconds timeout) {
    while (std::chrono::steady_clock::now() - start < timeout) {
        if (condition()) {
            return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        }
        // Polling more often would take the cores from the programs being timed.
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return -1;
}
