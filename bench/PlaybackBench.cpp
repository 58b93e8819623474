// SPDX-License-Identifier: GPL-2.0-or-later
// CPU time and peak resident memory of playing the 1920x1080 H.264 clip: the player, resuming it in
// its video panel, against mpv in a window of about the panel's size. Both are killed the same time
// after exec, while the 10 s clip still plays, so each is charged for its start and the same stretch
// of playback. And CPU time of a 1080i MPEG-2 clip that the output device shows deinterlaced, full
// screen, against mpv deinterlacing it full screen. And peak memory of playing a folder of short
// clips file after file, where what each file's graph leaves behind adds up.

#include "bench/BenchClips.h"
#include "bench/PlayerWindow.h"
#include "bench/WholeProgramRuns.h"
#include "tests/support/MediaGenerator.h"
#include "tests/support/TempDir.h"

#include <filesystem>
#include <stdexcept>
#include <thread>

namespace {

constexpr auto PlayingTime = std::chrono::seconds(9);
// Ten changes of file in the folder of 2-s clips.
constexpr auto FolderPlayingTime = std::chrono::seconds(21);
constexpr int FolderClipCount = 5;

// Lets the program run for the playing time, looking now and then (seldom, not to take its cores)
// whether it shows a picture; a program that ended or never showed one has not played the clip.
StartedProgram::Usage PlayFor(StartedProgram& program, std::chrono::steady_clock::time_point start,
                              const std::function<bool()>& showsPicture, const std::string& name,
                              std::chrono::seconds playingTime = PlayingTime) {
    bool pictureSeen = false;
    while (std::chrono::steady_clock::now() - start < playingTime) {
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

// Plays until the playing time is up, judged by any new window that shows a picture: a reference
// player's own, or the output device's.
StartedProgram::Usage PlayingInANewWindow(const std::vector<std::string>& arguments,
                                          const std::string& folder,
                                          const std::vector<std::string>& environment,
                                          const std::string& name,
                                          std::chrono::seconds playingTime = PlayingTime) {
    const ScreenWatch screen;
    const std::vector<Window> before = screen.AllWindows();
    const std::set<Window> existing(before.begin(), before.end());
    const auto start = std::chrono::steady_clock::now();
    StartedProgram program(arguments, folder, environment);
    return PlayFor(
        program, start, [&] { return screen.AnyNewWindowShowsPicture(existing); }, name, playingTime);
}

StartedProgram::Usage MpvPlaying() {
    const Command command = MpvInSmallWindow(BenchClipOf(".mp4").Path());
    return PlayingInANewWindow(command.arguments, {}, command.environment, "mpv");
}

// The player started on a copy whose settings are written, played for the time given.
StartedProgram::Usage PlayerStarted(const ProgramCopy& copy, std::chrono::seconds playingTime = PlayingTime) {
    const ScreenWatch screen;
    const auto start = std::chrono::steady_clock::now();
    StartedProgram player({copy.Program()}, copy.Clips());
    return PlayFor(
        player, start,
        [&] {
            const Window window = ReadyPlayerWindow(screen);
            return window != 0 && VideoPanelShowsPicture(screen, window);
        },
        "tarnwick", playingTime);
}

// `position` in the settings' units of 100 ns.
StartedProgram::Usage PlayerPlaying(std::int64_t position = 0) {
    ProgramCopy copy;
    copy.WriteSettings(copy.AddClip(BenchClipOf(".mp4").Path(), "clip.mp4"), true, position);
    return PlayerStarted(copy);
}

// The 1080p clip's first 2 s, cut at its key frame without coding them again; made once a run, for
// every repetition of both rows.
const std::string& ShortClip() {
    static const TempDir folder;
    static const std::string cut = [] {
        const std::string path = (std::filesystem::path(folder.Path()) / "short.mp4").string();
        if (RunCommand({"ffmpeg", "-nostdin", "-hide_banner", "-loglevel", "error", "-y", "-i",
                        BenchClipOf(".mp4").Path(), "-t", "2", "-c", "copy", path}) != 0) {
            throw std::runtime_error("ffmpeg could not cut the short clip");
        }
        return path;
    }();
    return cut;
}

StartedProgram::Usage MpvPlayingAFolder() {
    Command command = MpvInSmallWindow(ShortClip());
    command.arguments.insert(command.arguments.end(), FolderClipCount - 1, ShortClip());
    command.arguments.push_back("--loop-playlist=inf");
    return PlayingInANewWindow(command.arguments, {}, command.environment, "mpv", FolderPlayingTime);
}

StartedProgram::Usage PlayerPlayingAFolder() {
    ProgramCopy copy;
    std::string first;
    for (int i = 1; i <= FolderClipCount; ++i) {
        const std::string clip = copy.AddClip(ShortClip(), "part-" + std::to_string(i) + ".mp4");
        first = first.empty() ? clip : first;
    }
    copy.WriteSettings(first, true, 0);
    return PlayerStarted(copy, FolderPlayingTime);
}

// Ten seconds of 1920x1080 interlaced MPEG-2, top field first, 50 fields a second of testsrc2.
std::string InterlacedClip() {
    ClipSpec recipe;
    recipe.extension = ".mpg";
    recipe.width = 1920;
    recipe.height = 1080;
    recipe.seconds = 10;
    recipe.framesPerSecond = 50;
    recipe.interlaced = true;
    return GenerateClip(recipe);
}

StartedProgram::Usage MpvDeinterlacingFullScreen() {
    Command command = Mpv(InterlacedClip(), 0);
    command.arguments.insert(command.arguments.end() - 1, {"--deinterlace=yes", "--fs"});
    return PlayingInANewWindow(command.arguments, {}, command.environment, "mpv");
}

StartedProgram::Usage DeviceDeinterlacingFullScreen() {
    ProgramCopy copy;
    // The benchmark's screen is Xvfb's one monitor, which it names "screen".
    copy.WriteSettings(copy.AddClip(InterlacedClip(), "clip.mpg"), true, 0, "screen 1920x1080+0+0");
    return PlayingInANewWindow({copy.Program()}, copy.Clips(), {}, "tarnwick");
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
    // A resume between key frames catches up on two threads; the clip ends after 5 s and the list
    // starts it again, as a folder of one file plays.
    Register({"playback_1080p_memory/tarnwick_resumed_at_5s",
              "tarnwick resuming the clip at 5 s in its video panel, then the clip again from its start: "
              "peak resident memory" +
                  clip,
              0, 0, Row::Unit::MiB, [] { return PlayerPlaying(50'000'000).peakMiB; }});
    const std::string folder = " (" + std::to_string(FolderClipCount) +
                               " copies of the clip's first 2 s, over and over) for 21 s from exec";
    Register({"playback_folder_memory/reference",
              "mpv --geometry=360x240 --vo=x11 --loop-playlist=inf: peak resident memory playing a folder" +
                  folder,
              0, 0, Row::Unit::MiB, [] { return MpvPlayingAFolder().peakMiB; }});
    Register({"playback_folder_memory/tarnwick",
              "tarnwick playing the folder from its first file in its video panel: peak resident memory" +
                  folder + "; aim: at most 130 MiB",
              0, 130, Row::Unit::MiB, [] { return PlayerPlayingAFolder().peakMiB; }});
    const std::string interlaced = " (MPEG-2 1920x1080 interlaced, 50 fields/s) for 9 s from exec";
    Register({"playback_1080i_cpu/reference",
              "mpv --vo=x11 --deinterlace=yes --fs: CPU time playing the clip" + interlaced, 0, 0,
              Row::Unit::Seconds, [] { return MpvDeinterlacingFullScreen().cpuSeconds; }});
    Register({"playback_1080i_cpu/tarnwick",
              "tarnwick resuming the clip on the output device, full screen on the 1920x1080 screen, "
              "deinterlaced: CPU time" +
                  interlaced,
              1.0, 0, Row::Unit::Seconds, [] { return DeviceDeinterlacingFullScreen().cpuSeconds; }});
    return true;
}();

} // namespace
