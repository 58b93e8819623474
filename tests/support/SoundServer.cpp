// SPDX-License-Identifier: GPL-2.0-or-later
#include "tests/support/SoundServer.h"

#include "tests/support/Poll.h"

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <signal.h>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

namespace {

std::string Run(const std::string& command) {
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen((command + " 2>/dev/null").c_str(), "r"), pclose);
    std::string output;
    char buffer[4096];
    while (pipe && fgets(buffer, sizeof buffer, pipe.get())) {
        output += buffer;
    }
    return output;
}

} // namespace

SoundServer::SoundServer(Kind kind) : kind_(kind) {
    Start();
}

SoundServer::~SoundServer() {
    Kill();
}

std::string SoundServer::Address() const {
    return "unix:" + runtime_.Path() + "/pulse/native";
}

std::string SoundServer::Pactl(const std::string& arguments) const {
    return Run("PULSE_SERVER=" + Address() + " pactl " + arguments);
}

bool SoundServer::Up() const {
    return Pactl("info").find("Server Name") != std::string::npos;
}

bool SoundServer::Start() {
    const std::string folder = runtime_.Path();
    const std::string log = folder + "/log";
    // PipeWire's session manager wants a session bus; each server gets one of its own.
    const std::string command =
        kind_ == Kind::PulseAudio
            ? "exec pulseaudio --daemonize=no --exit-idle-time=-1 --system=false -n --disallow-exit "
              "--disable-shm=yes --load='module-null-sink sink_name=null' --load=module-native-protocol-unix "
              "--log-target=stderr --log-level=error"
            : "exec dbus-run-session -- sh -c 'pipewire & wireplumber & exec pipewire-pulse'";
    const pid_t child = fork();
    if (child == 0) {
        setpgid(0, 0);
        setenv("XDG_RUNTIME_DIR", folder.c_str(), 1);
        setenv("HOME", folder.c_str(), 1);
        unsetenv("PULSE_SERVER");
        unsetenv("DBUS_SESSION_BUS_ADDRESS");
        execl("/bin/sh", "sh", "-c", (command + " >>" + log + " 2>&1").c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    group_ = child;
    setpgid(child, child);
    if (!PollUntil([this] { return Up(); }, std::chrono::seconds(10))) {
        return false;
    }
    if (kind_ == Kind::PipeWire && Pactl("list short sinks").find("\tnull\t") == std::string::npos) {
        Pactl("load-module module-null-sink sink_name=null");
        Pactl("set-default-sink null");
    }
    return PollUntil([this] { return Pactl("list short sinks").find("\tnull\t") != std::string::npos; },
                     std::chrono::seconds(5));
}

void SoundServer::Kill() {
    if (group_ <= 0) {
        return;
    }
    kill(-group_, SIGKILL);
    waitpid(group_, nullptr, 0);
    group_ = 0;
    // The socket outlives a killed server; a client must find nothing there until the next start.
    std::remove((runtime_.Path() + "/pulse/native").c_str());
    std::remove((runtime_.Path() + "/pulse/pid").c_str());
}

std::vector<std::string> SoundServer::StreamsOn(const std::string& output) const {
    return StreamsOnOutput(Address(), output);
}

std::vector<std::string> StreamsOnOutput(const std::string& address, const std::string& output) {
    const std::string pactl = (address.empty() ? "" : "PULSE_SERVER=" + address + " ") + "pactl ";
    std::istringstream sinks(Run(pactl + "list short sinks"));
    std::string index;
    for (std::string line; std::getline(sinks, line);) {
        std::istringstream fields(line);
        std::string number, name;
        if (fields >> number >> name && name == output) {
            index = number;
        }
    }
    std::vector<std::string> names;
    if (index.empty()) {
        return names;
    }
    // Stanzas of "pactl list sink-inputs": the output's index, whether it is corked, its application.
    std::istringstream listing(Run(pactl + "list sink-inputs"));
    std::string sink, corked, application;
    auto take = [&] {
        if (sink == index && corked == "no" && !application.empty()) {
            names.push_back(application);
        }
        sink.clear();
        corked.clear();
        application.clear();
    };
    for (std::string line; std::getline(listing, line);) {
        const auto value = [&line](const std::string& key) {
            const auto at = line.find(key);
            return at == std::string::npos ? std::string() : line.substr(at + key.size());
        };
        if (line.rfind("Sink Input #", 0) == 0) {
            take();
        } else if (line.find("\tSink: ") == 0) {
            sink = value("Sink: ");
        } else if (line.find("\tCorked: ") == 0) {
            corked = value("Corked: ");
        } else if (line.find("application.name = \"") != std::string::npos) {
            application = value("application.name = \"");
            application = application.substr(0, application.rfind('"'));
        }
    }
    take();
    return names;
}

SoundServerInUse::SoundServerInUse(const SoundServer& server) {
    if (const char* previous = std::getenv("PULSE_SERVER")) {
        previous_ = previous;
        hadPrevious_ = true;
    }
    setenv("PULSE_SERVER", server.Address().c_str(), 1);
}

SoundServerInUse::~SoundServerInUse() {
    if (hadPrevious_) {
        setenv("PULSE_SERVER", previous_.c_str(), 1);
    } else {
        unsetenv("PULSE_SERVER");
    }
}
