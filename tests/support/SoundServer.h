// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "tests/support/TempDir.h"

#include <string>
#include <sys/types.h>
#include <vector>

// A sound server of a test's own, in a runtime folder of its own, so that stopping, restarting or
// reconfiguring it touches no other test: PulseAudio, or PipeWire with wireplumber and its PulseAudio
// service, started as the test command starts PulseAudio. Either way it has one null output, "null".
class SoundServer {
public:
    enum class Kind { PulseAudio, PipeWire };

    // Starts it and waits until it answers; Up() tells whether it did.
    explicit SoundServer(Kind kind);
    ~SoundServer();
    SoundServer(const SoundServer&) = delete;
    SoundServer& operator=(const SoundServer&) = delete;

    // Kills it as a crash would (its outputs and streams go with it), and starts it again.
    void Kill();
    bool Start();
    bool Up() const;

    // Where clients reach it, as PULSE_SERVER takes it.
    std::string Address() const;
    // Runs pactl against it; its standard output.
    std::string Pactl(const std::string& arguments) const;
    // The application names of the streams that play on the output named (not corked).
    std::vector<std::string> StreamsOn(const std::string& output) const;

private:
    Kind kind_;
    TempDir runtime_;
    pid_t group_ = 0;
};

// The application names of the streams that play (not corked) on the output named, on the server at
// the address (empty: the one this process's clients reach).
std::vector<std::string> StreamsOnOutput(const std::string& address, const std::string& output);

// Points this process's sound-server clients at the server while it lives, and back after.
class SoundServerInUse {
public:
    explicit SoundServerInUse(const SoundServer& server);
    ~SoundServerInUse();
    SoundServerInUse(const SoundServerInUse&) = delete;
    SoundServerInUse& operator=(const SoundServerInUse&) = delete;

private:
    std::string previous_;
    bool hadPrevious_ = false;
};
