// SPDX-License-Identifier: GPL-2.0-or-later
#include "tests/support/RunningPlayer.h"

#include "tests/support/MediaGenerator.h"
#include "tests/support/X11Tools.h"

#include <array>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <linux/capability.h>
#include <sstream>
#include <stdexcept>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

std::string RunCommand(const std::string& command, int* status = nullptr) {
    std::string output;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) {
        throw std::runtime_error("cannot run " + command);
    }
    std::array<char, 4096> buffer{};
    size_t read = 0;
    while ((read = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0) {
        output.append(buffer.data(), read);
    }
    const int result = ::pclose(pipe);
    if (status) {
        *status = result;
    }
    return output;
}

std::vector<std::string> Split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    std::string part;
    std::istringstream in(text);
    while (std::getline(in, part, separator)) {
        parts.push_back(part);
    }
    if (!text.empty() && text.back() == separator) {
        parts.emplace_back();
    }
    return parts;
}

SeenObject Parse(std::string line) {
    line.erase(0, line.find_first_not_of(' '));
    std::vector<std::string> fields = Split(line, '|');
    SeenObject seen;
    if (fields.size() < 5) {
        return seen;
    }
    seen.role = fields[0];
    seen.name = fields[1];
    seen.text = fields[2];
    seen.states = fields[3];
    std::vector<std::string> box = Split(fields[4], ',');
    if (box.size() == 4) {
        seen.x = std::stoi(box[0]);
        seen.y = std::stoi(box[1]);
        seen.width = std::stoi(box[2]);
        seen.height = std::stoi(box[3]);
    }
    return seen;
}

} // namespace

PlayerInstall::PlayerInstall(const std::string& extension, double seconds) : extension_(extension) {
    std::filesystem::create_directories(dir_ / "bin/plugins");
    std::filesystem::copy_file(TARNWICK_PROGRAM, Program());
    std::filesystem::copy_file(TARNWICK_PLAYER_PART,
                               std::filesystem::path(Program()).parent_path() / "libtarnwick-player.so");
    for (const auto& entry : std::filesystem::directory_iterator(TARNWICK_PLUGINS)) {
        std::filesystem::copy_file(entry.path(), dir_ / ("bin/plugins/" + entry.path().filename().string()));
    }
    std::filesystem::create_directories(Clips());
    ClipSpec recipe;
    recipe.extension = extension;
    recipe.seconds = seconds;
    for (const char* name : {"a1", "a2", "a3"}) {
        CopyClipTo(recipe, Clip(name + extension));
    }
    const std::string started = RunCommand("dbus-daemon --session --fork --print-address=1 --print-pid=1");
    const auto newline = started.find('\n');
    busAddress_ = started.substr(0, newline);
    busPid_ = std::stoi(started.substr(newline + 1));
}

PlayerInstall::~PlayerInstall() {
    if (busPid_ > 0) {
        ::kill(busPid_, SIGTERM);
    }
}

SlowFirstRead::SlowFirstRead(const std::string& fileSuffix, int ms)
    : sanitizerOptions_(std::getenv("ASAN_OPTIONS") ? std::getenv("ASAN_OPTIONS") : "") {
    ::setenv("LD_PRELOAD", TARNWICK_SLOW_FIRST_READ, 1);
    ::setenv("TARNWICK_SLOW_READ_FILE", fileSuffix.c_str(), 1);
    ::setenv("TARNWICK_SLOW_READ_MS", std::to_string(ms).c_str(), 1);
    // The sanitizers' runtime wants to be loaded first; the preloaded reader asks nothing of it.
    ::setenv("ASAN_OPTIONS", (sanitizerOptions_ + ":verify_asan_link_order=0").c_str(), 1);
}

SlowFirstRead::~SlowFirstRead() {
    ::unsetenv("LD_PRELOAD");
    ::unsetenv("TARNWICK_SLOW_READ_FILE");
    ::unsetenv("TARNWICK_SLOW_READ_MS");
    ::setenv("ASAN_OPTIONS", sanitizerOptions_.c_str(), 1);
}

RunningPlayer::RunningPlayer(const PlayerInstall& install, const std::vector<std::string>& arguments,
                             const std::string& otherProgram)
    : install_(install) {
    const std::string program = otherProgram.empty() ? install.Program() : otherProgram;
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (const std::string& argument : arguments) {
        argv.push_back(const_cast<char*>(argument.c_str()));
    }
    argv.push_back(nullptr);
    pid_ = ::fork();
    if (pid_ == 0) {
        if (::chdir(install.Clips().c_str()) != 0) {
            ::_exit(127);
        }
        ::setenv("DBUS_SESSION_BUS_ADDRESS", install.Bus().c_str(), 1);
        ::setenv("QT_LINUX_ACCESSIBILITY_ALWAYS_ON", "1", 1);
        // The tests run as root, whom no folder refuses; the program runs with a user's rights, so
        // that a folder closed to users is closed to it too.
        ::prctl(PR_CAPBSET_DROP, CAP_DAC_OVERRIDE, 0, 0, 0);
        ::prctl(PR_CAPBSET_DROP, CAP_DAC_READ_SEARCH, 0, 0, 0);
        ::execv(program.c_str(), argv.data());
        ::_exit(127);
    }
}

RunningPlayer::~RunningPlayer() {
    if (!ended_) {
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
    }
}

std::vector<SeenObject> RunningPlayer::Objects() const {
    const std::string output =
        RunCommand("DBUS_SESSION_BUS_ADDRESS='" + install_.Bus() + "' /usr/bin/python3 " +
                   TARNWICK_ATSPI_PROBE + " tree tarnwick 30 2>/dev/null");
    std::vector<SeenObject> objects;
    for (const std::string& line : Split(output, '\n')) {
        if (!line.empty()) {
            objects.push_back(Parse(line));
        }
    }
    return objects;
}

std::optional<SeenObject> RunningPlayer::Find(const std::string& role, const std::string& name) const {
    for (const SeenObject& seen : Objects()) {
        if (seen.role == role && seen.name == name) {
            return seen;
        }
    }
    return std::nullopt;
}

bool RunningPlayer::WaitUntil(const std::function<bool(const std::vector<SeenObject>&)>& condition,
                              int timeoutMs) const {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    do {
        if (condition(Objects())) {
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    } while (std::chrono::steady_clock::now() < deadline);
    return false;
}

bool RunningPlayer::WaitUntilReady(int timeoutMs) const {
    return WaitUntil(
        [](const std::vector<SeenObject>& objects) {
            for (const SeenObject& seen : objects) {
                if (seen.role == "text" && seen.name == "再生位置") {
                    return true;
                }
            }
            return false;
        },
        timeoutMs);
}

std::string RunningPlayer::PositionText() const {
    auto edit = Find("text", "再生位置");
    return edit ? edit->text : std::string("(no position field)");
}

std::string RunningPlayer::SelectedFile() const {
    // The file list's rows are the list items named like the clips.
    for (const SeenObject& seen : Objects()) {
        if (seen.role == "list item" && seen.name.ends_with(install_.Extension()) && seen.Has("selected")) {
            return seen.name;
        }
    }
    return {};
}

void RunningPlayer::DoubleClickFile(const std::string& name) const {
    auto row = Find("list item", name);
    if (!row) {
        throw std::runtime_error("no row " + name);
    }
    ClickAt(row->x + row->width / 4, row->y + row->height / 2, 2);
}

void RunningPlayer::ClickButton(const std::string& caption) const {
    for (const char* role : {"push button", "check box"}) {
        if (auto button = Find(role, caption)) {
            ClickAt(button->x + button->width / 2, button->y + button->height / 2, 1);
            return;
        }
    }
    throw std::runtime_error("no button " + caption);
}

void RunningPlayer::Press(const std::string& name) const {
    RunCommand("DBUS_SESSION_BUS_ADDRESS='" + install_.Bus() + "' /usr/bin/python3 " + TARNWICK_ATSPI_PROBE +
               " press tarnwick '" + name + "' 2>/dev/null");
}

bool RunningPlayer::AnswerBox(const std::string& words, int timeoutMs) const {
    bool found = WaitUntil(
        [&words](const std::vector<SeenObject>& objects) {
            for (const SeenObject& seen : objects) {
                if (seen.name.find(words) != std::string::npos ||
                    seen.text.find(words) != std::string::npos) {
                    return true;
                }
            }
            return false;
        },
        timeoutMs);
    if (!found) {
        return false;
    }
    Press("OK");
    return true;
}

bool RunningPlayer::Running() const {
    return !ended_ && ::kill(pid_, 0) == 0;
}

int RunningPlayer::Close(int timeoutMs) {
    if (auto window = WaitForWindow("Tarnwick 1.06", 5000)) {
        RequestClose(window->id);
    }
    return WaitForExit(timeoutMs);
}

int RunningPlayer::WaitForExit(int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (std::chrono::steady_clock::now() < deadline) {
        int status = 0;
        if (::waitpid(pid_, &status, WNOHANG) == pid_) {
            ended_ = true;
            return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return -1;
}

std::string ReadSettingsFile(const std::string& path) {
    return ReadFileText(path);
}
