// From starting the program to its main window on the screen with its controls drawn, against mpv
// mapping its idle window.

#include "bench/PlayerWindow.h"
#include "bench/ProgramCopy.h"
#include "bench/ReferencePlayers.h"
#include "bench/ScreenWatch.h"
#include "tests/support/MediaGenerator.h"
#include "tests/support/TestServers.h"

#include <benchmark/benchmark.h>
#include <thread>

namespace {

// The X server forgets a killed program's windows shortly after it goes.
void LetWindowsGo() {
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
}

void MpvWindow(benchmark::State& state) {
    EnsureTestServers();
    ScreenWatch screen;
    for (auto _ : state) {
        const std::vector<Window> before = screen.AllWindows();
        const std::set<Window> existing(before.begin(), before.end());
        const Command command = MpvIdleWindow();
        const auto start = std::chrono::steady_clock::now();
        StartedProgram mpv(command.arguments, {}, command.environment);
        const double seconds =
            SecondsUntil(start, [&] { return screen.FindNewViewable(existing, "mpv") != 0; });
        screen.Snapshot("window-mapped-mpv");
        mpv.Kill();
        if (seconds < 0) {
            state.SkipWithError("mpv mapped no window within 15 s");
            return;
        }
        state.SetIterationTime(seconds);
        LetWindowsGo();
    }
    state.SetLabel("mpv --force-window --idle --vo=x11: exec to its window mapped");
}

void PlayerWindow(benchmark::State& state) {
    EnsureTestServers();
    ScreenWatch screen;
    ProgramCopy copy;
    ClipSpec recipe;
    recipe.extension = ".avi";
    const std::string clip = copy.AddClip(GenerateClip(recipe), "clip.avi");
    copy.WriteSettings(clip, false, 0);
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        StartedProgram player({copy.Program()}, copy.Clips());
        const double seconds = SecondsUntil(start, [&] { return ReadyPlayerWindow(screen) != 0; });
        screen.Snapshot("window-mapped-tarnwick");
        player.Kill();
        if (seconds < 0) {
            state.SkipWithError("the main window was not drawn within 15 s");
            return;
        }
        state.SetIterationTime(seconds);
        LetWindowsGo();
    }
    state.SetLabel("tarnwick (own copy and settings, folder of one clip): exec to the main window mapped, "
                   "video panel mapped and the controls painted");
    state.counters["target_ratio"] = 1.0;
}

} // namespace

// Naming rule of bench/run: "<group>/<what>"; the group's "reference" is what the others compare with.
BENCHMARK(MpvWindow)
    ->Name("window_mapped/reference")
    ->UseManualTime()
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(PlayerWindow)
    ->Name("window_mapped/tarnwick")
    ->UseManualTime()
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);
