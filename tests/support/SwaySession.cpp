// SPDX-License-Identifier: GPL-2.0-or-later
#include "tests/support/SwaySession.h"

#include "tests/support/Poll.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <grp.h>
#include <iterator>
#include <sstream>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr uid_t Nobody = 65534;

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteAll(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

std::string IpcSocket(const std::string& folder) {
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        if (entry.path().filename().string().rfind("sway-ipc.", 0) == 0) {
            return entry.path();
        }
    }
    return {};
}

} // namespace

SwaySession::SwaySession(const std::vector<Output>& outputs) {
    std::string pattern = "/tmp/tarnwick-sway.XXXXXX";
    folder_ = ::mkdtemp(pattern.data());
    const bool asRoot = ::geteuid() == 0;
    std::ostringstream config;
    config << "xwayland enable\n";
    int x = 0;
    for (size_t i = 0; i < outputs.size(); ++i) {
        config << "output HEADLESS-" << i + 1 << " mode " << outputs[i].width << "x" << outputs[i].height
               << " position " << x << " 0\n";
        x += outputs[i].width;
    }
    // Run by sway with DISPLAY set, which is how the display's number becomes known; its first
    // connection also starts Xwayland, which sway starts only when a client comes.
    const std::string tell = folder_ + "/tell-display";
    WriteAll(tell, "#!/bin/sh\n" + std::string(asRoot ? "xhost +si:localuser:root >/dev/null 2>&1\n" : "") +
                       "echo \"$DISPLAY\" > '" + folder_ + "/display.part'\nmv '" + folder_ +
                       "/display.part' '" + folder_ + "/display'\n");
    std::filesystem::permissions(
        tell, std::filesystem::perms::owner_all | std::filesystem::perms::group_read |
                  std::filesystem::perms::group_exec | std::filesystem::perms::others_read |
                  std::filesystem::perms::others_exec);
    config << "exec " << tell << "\n";
    WriteAll(folder_ + "/config", config.str());
    if (asRoot && ::chown(folder_.c_str(), Nobody, Nobody) != 0) {
        throw std::runtime_error("cannot hand " + folder_ + " to nobody");
    }
    if (!std::filesystem::exists("/tmp/.X11-unix")) {
        std::filesystem::create_directories("/tmp/.X11-unix");
        std::filesystem::permissions("/tmp/.X11-unix",
                                     std::filesystem::perms::all | std::filesystem::perms::sticky_bit);
    }
    const std::string log = folder_ + "/sway.log";
    pid_ = ::fork();
    if (pid_ == 0) {
        ::setenv("XDG_RUNTIME_DIR", folder_.c_str(), 1);
        ::setenv("HOME", folder_.c_str(), 1);
        ::setenv("WLR_BACKENDS", "headless", 1);
        ::setenv("WLR_HEADLESS_OUTPUTS", std::to_string(outputs.size()).c_str(), 1);
        ::setenv("WLR_RENDERER", "pixman", 1);
        ::setenv("WLR_LIBINPUT_NO_DEVICES", "1", 1);
        ::unsetenv("WAYLAND_DISPLAY");
        ::unsetenv("DISPLAY");
        ::unsetenv("SWAYSOCK");
        if (asRoot && (::setgroups(0, nullptr) != 0 || ::setgid(Nobody) != 0 || ::setuid(Nobody) != 0)) {
            ::_exit(126);
        }
        std::freopen("/dev/null", "w", stdout);
        std::freopen(log.c_str(), "w", stderr);
        const std::string configPath = folder_ + "/config";
        ::execlp("sway", "sway", "-c", configPath.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    if (!PollUntil(
            [this] { return std::filesystem::exists(folder_ + "/display") && !IpcSocket(folder_).empty(); },
            std::chrono::seconds(30))) {
        const std::string seen = ReadAll(log);
        Stop();
        throw std::runtime_error("sway or its Xwayland did not start: " + seen);
    }
    xDisplay_ = ReadAll(folder_ + "/display");
    xDisplay_ = xDisplay_.substr(0, xDisplay_.find_first_of("\r\n"));
}

SwaySession::~SwaySession() {
    Stop();
}

void SwaySession::Stop() {
    if (pid_ > 0) {
        ::kill(pid_, SIGTERM);
        ::waitpid(pid_, nullptr, 0);
        pid_ = 0;
    }
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
}

std::string SwaySession::Environment() const {
    std::string wayland;
    for (const auto& entry : std::filesystem::directory_iterator(folder_)) {
        const std::string name = entry.path().filename();
        if (name.rfind("wayland-", 0) == 0 && name.find('.') == std::string::npos) {
            wayland = name;
        }
    }
    return "XDG_RUNTIME_DIR='" + folder_ + "' SWAYSOCK='" + IpcSocket(folder_) + "' WAYLAND_DISPLAY='" +
           wayland + "' ";
}

bool SwaySession::CreateOutput() const {
    return std::system((Environment() + "swaymsg create_output >/dev/null 2>&1").c_str()) == 0;
}

bool SwaySession::Screenshot(const std::string& output, const std::string& ppmPath,
                             std::vector<unsigned long>& pixels, int& width, int& height) const {
    std::filesystem::create_directories(std::filesystem::path(ppmPath).parent_path());
    if (std::system(
            (Environment() + "timeout 30 grim -t ppm -o '" + output + "' '" + ppmPath + "' 2>/dev/null")
                .c_str()) != 0) {
        return false;
    }
    // A binary PPM: "P6", width, height, the largest value, one blank, then rows of RGB bytes.
    const std::string bytes = ReadAll(ppmPath);
    std::istringstream header(bytes);
    std::string magic;
    int largest = 0;
    if (!(header >> magic >> width >> height >> largest) || magic != "P6" || largest != 255) {
        return false;
    }
    const size_t start = static_cast<size_t>(header.tellg()) + 1;
    const size_t count = static_cast<size_t>(width) * static_cast<size_t>(height);
    if (bytes.size() < start + count * 3) {
        return false;
    }
    pixels.resize(count);
    for (size_t i = 0; i < count; ++i) {
        const auto byte = [&](size_t k) {
            return static_cast<unsigned long>(static_cast<unsigned char>(bytes[start + 3 * i + k]));
        };
        pixels[i] = byte(0) << 16 | byte(1) << 8 | byte(2);
    }
    return true;
}
