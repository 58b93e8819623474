// SPDX-License-Identifier: GPL-2.0-or-later
#include "tests/support/WaylandSession.h"

#include "tests/support/MediaGenerator.h"

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

// The compositor's one output: room for the window and the device's window beside it.
constexpr int kWidth = 1600;
constexpr int kHeight = 1000;

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Polls until the condition holds or the deadline passes.
template <typename Condition> bool WaitUntil(Condition condition, int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return true;
}

} // namespace

WaylandSession::WaylandSession(bool withXwayland) {
    std::string pattern = "/tmp/tarnwick-wayland.XXXXXX";
    folder_ = ::mkdtemp(pattern.data());
    socket_ = folder_ + "/wayland-tarnwick";
    const std::string log = folder_ + "/weston.log";
    // Xwayland makes its socket here; on a machine that never ran an X server the folder is missing.
    if (!std::filesystem::exists("/tmp/.X11-unix")) {
        std::filesystem::create_directories("/tmp/.X11-unix");
        std::filesystem::permissions("/tmp/.X11-unix",
                                     std::filesystem::perms::all | std::filesystem::perms::sticky_bit);
    }
    std::vector<std::string> arguments = {"weston",
                                          "--backend=headless-backend.so",
                                          "--use-pixman", // the headless output draws nothing otherwise
                                          "--width=" + std::to_string(kWidth),
                                          "--height=" + std::to_string(kHeight),
                                          "--idle-time=0",
                                          "--debug", // lets weston-screenshooter take the screen
                                          "--socket=wayland-tarnwick",
                                          "--log=" + log};
    if (withXwayland) {
        arguments.emplace_back("--xwayland");
    }
    pid_ = ::fork();
    if (pid_ == 0) {
        ::setenv("XDG_RUNTIME_DIR", folder_.c_str(), 1);
        ::unsetenv("WAYLAND_DISPLAY");
        ::unsetenv("DISPLAY");
        std::vector<char*> argv;
        for (std::string& argument : arguments) {
            argv.push_back(argument.data());
        }
        argv.push_back(nullptr);
        std::freopen("/dev/null", "w", stdout);
        std::freopen("/dev/null", "w", stderr);
        ::execvp(argv[0], argv.data());
        ::_exit(127);
    }
    // No destructor runs for an object whose constructor throws: the compositor is stopped here.
    const auto fail = [this, &log](const std::string& what) {
        const std::string seen = ReadAll(log);
        Stop();
        throw std::runtime_error(what + ": " + seen);
    };
    if (!WaitUntil([this] { return std::filesystem::exists(socket_); }, 20000)) {
        fail("weston did not start");
    }
    if (withXwayland) {
        const std::string mark = "xserver listening on display ";
        if (!WaitUntil([&] { return ReadAll(log).find(mark) != std::string::npos; }, 20000)) {
            fail("weston's Xwayland did not start");
        }
        const std::string text = ReadAll(log);
        const auto start = text.find(mark) + mark.size();
        xDisplay_ = text.substr(start, text.find_first_of("\r\n", start) - start);
    }
}

WaylandSession::~WaylandSession() {
    Stop();
}

void WaylandSession::Stop() {
    if (pid_ > 0) {
        ::kill(pid_, SIGTERM);
        ::waitpid(pid_, nullptr, 0);
        pid_ = 0;
    }
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
}

bool WaylandSession::Screenshot(const std::string& pngPath, std::vector<unsigned long>& pixels, int& width,
                                int& height) const {
    // weston-screenshooter names its file after the time, in the folder it runs in: one of its own.
    const std::string shots = folder_ + "/shots";
    std::error_code ignored;
    std::filesystem::remove_all(shots, ignored);
    std::filesystem::create_directories(shots);
    const std::string command = "cd '" + shots + "' && WAYLAND_DISPLAY='" + socket_ +
                                "' timeout 30 weston-screenshooter >/dev/null 2>&1";
    if (std::system(command.c_str()) != 0) {
        return false;
    }
    std::string taken;
    for (const auto& entry : std::filesystem::directory_iterator(shots)) {
        taken = entry.path();
    }
    if (taken.empty()) {
        return false;
    }
    std::filesystem::create_directories(std::filesystem::path(pngPath).parent_path());
    std::filesystem::copy_file(taken, pngPath, std::filesystem::copy_options::overwrite_existing);
    // ffmpeg reads the PNG back as plain rows of RGB, and names its size on the way.
    const std::string raw = shots + "/shot.rgb";
    if (RunCommand({"ffmpeg", "-nostdin", "-loglevel", "error", "-y", "-i", taken, "-f", "rawvideo",
                    "-pix_fmt", "rgb24", raw}) != 0) {
        return false;
    }
    width = kWidth;
    height = kHeight;
    const std::string bytes = ReadAll(raw);
    if (bytes.size() != static_cast<size_t>(width) * static_cast<size_t>(height) * 3) {
        return false;
    }
    pixels.resize(static_cast<size_t>(width) * static_cast<size_t>(height));
    for (size_t i = 0; i < pixels.size(); ++i) {
        const auto byte = [&](size_t k) {
            return static_cast<unsigned long>(static_cast<unsigned char>(bytes[3 * i + k]));
        };
        pixels[i] = byte(0) << 16 | byte(1) << 8 | byte(2);
    }
    return true;
}

ScopedVariable::ScopedVariable(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) {
        hadOld_ = true;
        old_ = old;
    }
    if (value) {
        ::setenv(name, value, 1);
    } else {
        ::unsetenv(name);
    }
}

ScopedVariable::~ScopedVariable() {
    if (hadOld_) {
        ::setenv(name_.c_str(), old_.c_str(), 1);
    } else {
        ::unsetenv(name_.c_str());
    }
}
