// SPDX-License-Identifier: GPL-2.0-or-later
#include "tests/support/TestServers.h"

#include "tests/support/X11Tools.h"

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <spawn.h>
#include <stdexcept>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <vector>

extern char** environ;

namespace {

pid_t xvfbPid = 0;
pid_t openboxPid = 0;
pid_t pulsePid = 0;
std::string pulseFolder;

pid_t Spawn(std::vector<std::string> arguments) {
    std::vector<char*> argv;
    for (auto& argument : arguments) {
        argv.push_back(argument.data());
    }
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", 0, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", 0, 0);
    pid_t pid = 0;
    int failed = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (failed) {
        throw std::runtime_error("cannot start " + arguments[0]);
    }
    return pid;
}

bool WaitFor(const std::string& path) {
    for (int i = 0; i < 200; ++i) {
        if (std::filesystem::exists(path)) {
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
}

void Stop(pid_t& pid) {
    if (pid > 0) {
        ::kill(pid, SIGTERM);
        ::waitpid(pid, nullptr, 0);
        pid = 0;
    }
}

void StopServers() {
    Stop(pulsePid);
    Stop(openboxPid);
    Stop(xvfbPid);
    if (!pulseFolder.empty()) {
        std::error_code ignored;
        std::filesystem::remove_all(pulseFolder, ignored);
    }
}

void StartXvfb() {
    int display = 150;
    while (std::filesystem::exists("/tmp/.X" + std::to_string(display) + "-lock") ||
           std::filesystem::exists("/tmp/.X11-unix/X" + std::to_string(display))) {
        ++display;
    }
    std::string name = ":" + std::to_string(display);
    // A test of the doubled window asks for a screen it fits on.
    const char* size = std::getenv("TARNWICK_SCREEN_SIZE");
    const std::string screen = std::string(size && *size ? size : "1920x1080") + "x24";
    xvfbPid = Spawn({"Xvfb", name, "-screen", "0", screen, "-nolisten", "tcp", "-noreset"});
    if (!WaitFor("/tmp/.X11-unix/X" + std::to_string(display))) {
        throw std::runtime_error("Xvfb did not start");
    }
    ::setenv("DISPLAY", name.c_str(), 1);
}

// The program's users have a window manager, which frames, places and closes the window.
void StartOpenbox() {
    openboxPid = Spawn({"openbox", "--sm-disable"});
    for (int i = 0; i < 200 && !WindowManagerRunning(); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    if (!WindowManagerRunning()) {
        throw std::runtime_error("openbox did not start");
    }
}

void StartPulseAudio() {
    std::string pattern = "/tmp/tarnwick-pulse.XXXXXX";
    pulseFolder = ::mkdtemp(pattern.data());
    ::setenv("XDG_RUNTIME_DIR", pulseFolder.c_str(), 1);
    pulsePid = Spawn({"pulseaudio", "--daemonize=no", "--exit-idle-time=-1", "--system=false", "-n",
                      "--disallow-exit", "--disable-shm=yes", "--load=module-null-sink sink_name=null",
                      "--load=module-native-protocol-unix"});
    std::string socket = pulseFolder + "/pulse/native";
    if (!WaitFor(socket)) {
        throw std::runtime_error("PulseAudio did not start");
    }
    ::setenv("PULSE_SERVER", ("unix:" + socket).c_str(), 1);
}

} // namespace

void EnsureTestServers() {
    static bool done = false;
    if (done) {
        return;
    }
    done = true;
    const char* display = std::getenv("DISPLAY");
    if (!display || !*display) {
        StartXvfb();
        // A test that proves what happens without a window manager asks for a display without one.
        const char* bare = std::getenv("TARNWICK_NO_WINDOW_MANAGER");
        if (!bare || !*bare) {
            StartOpenbox();
        }
    }
    const char* pulse = std::getenv("PULSE_SERVER");
    if (!pulse || !*pulse) {
        StartPulseAudio();
    }
    std::atexit(StopServers);
}
