// SPDX-License-Identifier: GPL-2.0-or-later
// A start given a file while the player already runs hands the file to it over the session bus and
// ends: from exec to its exit, against a bus tool's exec that asks the running player to open a file.

#include "bench/BenchClips.h"
#include "bench/PlayerWindow.h"
#include "bench/ProgramCopy.h"
#include "bench/ScreenWatch.h"
#include "bench/WholeProgramRuns.h"

#include <chrono>
#include <functional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace {

const BenchClip& Clip() {
    return BenchClipOf(".avi");
}

using Asking = std::function<std::vector<std::string>(const std::string& program, const std::string& file)>;

// Starts the player idle and times the command from exec to its exit while it runs; the command is
// given the player and a second clip to open.
double WithPlayerRunning(const Asking& command) {
    ProgramCopy copy;
    const std::string first = copy.AddClip(Clip().Path(), "clip.avi");
    const std::string second = copy.AddClip(Clip().Path(), "other.avi");
    copy.WriteSettings(first, false, 0);
    const ScreenWatch screen;
    StartedProgram running({copy.Program()}, copy.Clips());
    if (SecondsUntil(std::chrono::steady_clock::now(), [&] { return ReadyPlayerWindow(screen) != 0; }) < 0) {
        throw std::runtime_error("the running player's window did not come within 15 s");
    }
    const auto start = std::chrono::steady_clock::now();
    StartedProgram asking(command(copy.Program(), second), copy.Clips());
    const double seconds = SecondsUntil(start, [&] { return !asking.Running(); });
    asking.Kill();
    running.Kill();
    // The X server forgets a killed program's windows shortly after it goes.
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    if (seconds < 0) {
        throw std::runtime_error("the start did not end within 15 s: it did not hand its file over");
    }
    return seconds;
}

[[maybe_unused]] const bool registered = [] {
    Register({"hand_over/reference",
              "gdbus call OpenUri to the running player (" + Clip().description + "): exec to its exit", 0, 0,
              Row::Unit::Seconds, [] {
                  return WithPlayerRunning([](const std::string&, const std::string& file) {
                      return std::vector<std::string>{"gdbus",
                                                      "call",
                                                      "--session",
                                                      "-d",
                                                      "org.mpris.MediaPlayer2.tarnwick",
                                                      "-o",
                                                      "/org/mpris/MediaPlayer2",
                                                      "-m",
                                                      "org.mpris.MediaPlayer2.Player.OpenUri",
                                                      "file://" + file};
                  });
              }});
    Register({"hand_over/tarnwick",
              "tarnwick PATH while the player runs: exec to its exit, the file handed over (aim: 50 ms)", 0,
              0, Row::Unit::Seconds, [] {
                  return WithPlayerRunning([](const std::string& program, const std::string& file) {
                      return std::vector<std::string>{program, file};
                  });
              }});
    return true;
}();

} // namespace
