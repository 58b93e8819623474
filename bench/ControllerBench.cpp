// The player's controller seen from outside:
// - resume_first_frame: from starting the program to the first picture of the file it resumes
//   (settings with Resume=1, Playing=1, a position), against mpv and VLC started on the same file at
//   the same position;
// - double_click_first_frame: from the double-click on a file row to its first picture in the video
//   panel, against gst-play-1.0 from start to its first picture of the same file.

#include "bench/PlayerWindow.h"
#include "bench/ProgramCopy.h"
#include "bench/ReferencePlayers.h"
#include "bench/ScreenWatch.h"
#include "tests/support/MediaGenerator.h"
#include "tests/support/TestServers.h"

#include <benchmark/benchmark.h>
#include <functional>
#include <thread>

namespace {

constexpr double ResumeSeconds = 5.0;
constexpr std::int64_t MediaTimeUnitsPerSecond = 10'000'000;

// A clip of the player's own kind (the built-in filter lists .avi), long enough to resume within.
const std::string& Clip() {
    static const std::string clip = [] {
        ClipSpec recipe;
        recipe.extension = ".avi";
        recipe.width = 640;
        recipe.height = 480;
        recipe.seconds = 10.0;
        return GenerateClip(recipe);
    }();
    return clip;
}

void LetWindowsGo() {
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
}

std::set<Window> WindowsNow(const ScreenWatch& screen) {
    const std::vector<Window> windows = screen.AllWindows();
    return {windows.begin(), windows.end()};
}

// Starts a reference player and times it to the first picture in a window of its own.
void ReferenceFirstFrame(benchmark::State& state, Command (*command)(const std::string&, double),
                         double startSeconds, const std::string& label) {
    EnsureTestServers();
    ScreenWatch screen;
    for (auto _ : state) {
        const std::set<Window> existing = WindowsNow(screen);
        const Command started = command(Clip(), startSeconds);
        const auto start = std::chrono::steady_clock::now();
        StartedProgram player(started.arguments, {}, started.environment);
        const double seconds = SecondsUntil(start, [&] { return screen.AnyNewWindowShowsPicture(existing); });
        screen.Snapshot("first-picture-" + started.arguments[0]);
        player.Kill();
        if (seconds < 0) {
            state.SkipWithError((started.arguments[0] + " showed no picture within 15 s").c_str());
            return;
        }
        state.SetIterationTime(seconds);
        LetWindowsGo();
    }
    state.SetLabel(label);
}

Command GstPlayFromStart(const std::string& file, double) {
    return GstPlay(file);
}

void ResumeFirstFrame(benchmark::State& state) {
    EnsureTestServers();
    ScreenWatch screen;
    ProgramCopy copy;
    const std::string clip = copy.AddClip(Clip(), "clip.avi");
    for (auto _ : state) {
        // The program rewrites its settings only when it closes; each run starts from the same ones.
        copy.WriteSettings(clip, true, static_cast<std::int64_t>(ResumeSeconds) * MediaTimeUnitsPerSecond);
        const auto start = std::chrono::steady_clock::now();
        StartedProgram player({copy.Program()}, copy.Clips());
        const double seconds = SecondsUntil(start, [&] {
            const Window window = ReadyPlayerWindow(screen);
            return window != 0 && VideoPanelShowsPicture(screen, window);
        });
        screen.Snapshot("first-picture-resumed-tarnwick");
        player.Kill();
        if (seconds < 0) {
            state.SkipWithError("the resumed file showed no picture within 15 s");
            return;
        }
        state.SetIterationTime(seconds);
        LetWindowsGo();
    }
    state.SetLabel("tarnwick with Resume=1, Playing=1, Position=5 s: exec to the first picture in its video "
                   "panel");
    state.counters["target_ratio"] = 1.0;
}

void DoubleClickFirstFrame(benchmark::State& state) {
    EnsureTestServers();
    ScreenWatch screen;
    ProgramCopy copy;
    const std::string clip = copy.AddClip(Clip(), "clip.avi");
    copy.WriteSettings(clip, false, 0);
    for (auto _ : state) {
        StartedProgram player({copy.Program()}, copy.Clips());
        Window window = 0;
        SecondsUntil(std::chrono::steady_clock::now(),
                     [&] { return (window = ReadyPlayerWindow(screen)) != 0; });
        if (window == 0) {
            state.SkipWithError("the main window was not drawn within 15 s");
            return;
        }
        // Let the start-up settle, so that only the double-click's work is timed.
        std::this_thread::sleep_for(std::chrono::milliseconds(700));
        int x = 0;
        int y = 0;
        FirstFileRow(screen, window, x, y);
        screen.Click(x, y);
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        // The second press makes the double-click.
        const auto start = std::chrono::steady_clock::now();
        screen.Click(x, y);
        const double seconds = SecondsUntil(start, [&] { return VideoPanelShowsPicture(screen, window); });
        screen.Snapshot("first-picture-double-clicked-tarnwick");
        player.Kill();
        if (seconds < 0) {
            state.SkipWithError("the double-clicked file showed no picture within 15 s");
            return;
        }
        state.SetIterationTime(seconds);
        LetWindowsGo();
    }
    state.SetLabel("tarnwick running, idle: double-click on the file's row to its first picture in the video "
                   "panel");
    state.counters["target_ratio"] = 1.15;
}

void Register(const char* name, std::function<void(benchmark::State&)> body) {
    benchmark::RegisterBenchmark(name, [body](benchmark::State& state) { body(state); })
        ->UseManualTime()
        ->Iterations(1)
        ->Unit(benchmark::kMillisecond);
}

[[maybe_unused]] const bool registered = [] {
    Register("resume_first_frame_vs_mpv/reference", [](benchmark::State& state) {
        ReferenceFirstFrame(state, Mpv, ResumeSeconds, "mpv --start=5 --vo=x11: exec to its first picture");
    });
    Register("resume_first_frame_vs_mpv/tarnwick", ResumeFirstFrame);
    Register("resume_first_frame_vs_vlc/reference", [](benchmark::State& state) {
        ReferenceFirstFrame(state, Vlc, ResumeSeconds,
                            "cvlc --start-time=5 --vout=xcb_x11: exec to its first picture");
    });
    Register("resume_first_frame_vs_vlc/tarnwick", ResumeFirstFrame);
    Register("double_click_first_frame/reference", [](benchmark::State& state) {
        ReferenceFirstFrame(state, GstPlayFromStart, 0,
                            "gst-play-1.0 --videosink=ximagesink: exec to its first picture");
    });
    Register("double_click_first_frame/tarnwick", DoubleClickFirstFrame);
    return true;
}();

} // namespace
