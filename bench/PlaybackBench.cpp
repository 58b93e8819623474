// SPDX-License-Identifier: GPL-2.0-or-later
// CPU time and peak resident memory of playing the 1920x1080 H.264 clip: the player, resuming it in
// its video panel, against mpv in a window of about the panel's size. Both are killed the same time
// after exec, while the 10 s clip still plays, so each is charged for its start and the same stretch
// of playback.

#include "bench/BenchClips.h"
#include "bench/PlayerWindow.h"
#include "bench/WholeProgramRuns.h"

#include <stdexcept>
#include <thread>

namespace {

constexpr auto PlayingTime = std::chrono::seconds(9);

// Lets the program run for the playing time, looking now and then (seldom, not to take its cores)
// whether it shows a picture; a program that ended or never showed one has not played the clip.
StartedProgram::Usage PlayFor(StartedProgram& program, std::chrono::steady_clock::time_point start,
                              const std::function<bool()>& showsPicture, const std::string& name) {
    bool pictureSeen = false;
    while (std::chrono::steady_clock::now() - start < PlayingTime) {
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        pictureSeen = pictureSeen || showsPicture();
    }
    if (!program.Running()) {
        throw std::runtime_error(name + " ended before the clip did");
    }
    if (!pictureSeen) {
        throw std::runtime_error(name + " showed no picture of the clip");
    }
    const StartedProgram::Usage usage = program.KillAndMeasure();
    // The sound server forgets the killed program's stream shortly after it goes.
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    return usage;
}

StartedProgram::Usage MpvPlaying() {
    const Command command = MpvInSmallWindow(BenchClipOf(".mp4").Path());
    const ScreenWatch screen;
    const std::vector<Window> before = screen.AllWindows();
    const std::set<Window> existing(before.begin(), before.end());
    const auto start = std::chrono::steady_clock::now();
    StartedProgram mpv(command.arguments, {}, command.environment);
    return PlayFor(
        mpv, start, [&] { return screen.AnyNewWindowShowsPicture(existing); }, "mpv");
}

StartedProgram::Usage PlayerPlaying() {
    ProgramCopy copy;
    copy.WriteSettings(copy.AddClip(BenchClipOf(".mp4").Path(), "clip.mp4"), true, 0);
    const ScreenWatch screen;
    const auto start = std::chrono::steady_clock::now();
    StartedProgram player({copy.Program()}, copy.Clips());
    return PlayFor(
        player, start,
        [&] {
            const Window window = ReadyPlayerWindow(screen);
            return window != 0 && VideoPanelShowsPicture(screen, window);
        },
        "tarnwick");
}

[[maybe_unused]] const bool registered = [] {
    const std::string clip = " (" + BenchClipOf(".mp4").description + " .mp4) for 9 s from exec";
    Register(
        {"playback_1080p_cpu/reference",
         "mpv --geometry=360x240 --vo=x11: CPU time (user + system; 1 ms = 1 ms of CPU) playing the clip" +
             clip,
         0, 0, Row::Unit::Seconds, [] { return MpvPlaying().cpuSeconds; }});
    Register({"playback_1080p_cpu/tarnwick",
              "tarnwick resuming the clip at 0 in its video panel: CPU time" + clip, 1.0, 0,
              Row::Unit::Seconds, [] { return PlayerPlaying().cpuSeconds; }});
    Register({"playback_1080p_memory/reference",
              "mpv --geometry=360x240 --vo=x11: peak resident memory playing the clip" + clip, 0, 0,
              Row::Unit::MiB, [] { return MpvPlaying().peakMiB; }});
    Register({"playback_1080p_memory/tarnwick",
              "tarnwick resuming the clip at 0 in its video panel: peak resident memory" + clip +
                  "; aim: at most 130 MiB",
              0, 130, Row::Unit::MiB, [] { return PlayerPlaying().peakMiB; }});
    return true;
}();

} // namespace
