// SPDX-License-Identifier: GPL-2.0-or-later
#include "bench/WholeProgramRuns.h"

#include "bench/PlayerWindow.h"
#include "tests/support/TestServers.h"

#include <benchmark/benchmark.h>
#include <stdexcept>
#include <thread>

namespace {

// The X server forgets a killed program's windows shortly after it goes, and the sound server its
// streams.
void LetWindowsGo() {
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
}

std::set<Window> WindowsNow(const ScreenWatch& screen) {
    const std::vector<Window> windows = screen.AllWindows();
    return {windows.begin(), windows.end()};
}

const std::string WindowSeen = "screen: window seen";

std::string MomentText(Moment moment) {
    return moment == Moment::WindowMapped ? "mapped no window" : "showed no picture";
}

void RunRow(benchmark::State& state, const Row& row) {
    EnsureTestServers();
    for (auto _ : state) {
        try {
            const Figure figure = row.run();
            // A MiB is shown as a millisecond; the table names the unit.
            state.SetIterationTime(row.unit == Row::Unit::MiB ? figure.value / 1000 : figure.value);
            if (figure.pictureBeforeStart) {
                state.counters["picture_before_start"] = 1;
            }
            for (const auto& [phase, seconds] : figure.timeline) {
                state.counters["phase: " + phase] = seconds * 1000;
            }
        } catch (const std::exception& fault) {
            state.SkipWithError(fault.what());
            break;
        }
    }
    state.SetLabel(row.label);
    if (row.targetRatio > 0) {
        state.counters["target_ratio"] = row.targetRatio;
    }
    if (row.targetMiB > 0) {
        state.counters["target_mib"] = row.targetMiB;
    }
    if (row.unit == Row::Unit::MiB) {
        state.counters["in_mib"] = 1;
    }
}

} // namespace

Sighting WatchReferencePlayer(const Command& command, Moment moment, const std::string& snapshot) {
    const ScreenWatch screen;
    const std::set<Window> existing = WindowsNow(screen);
    Window seen = 0;
    const auto start = std::chrono::steady_clock::now();
    StartedProgram player(command.arguments, {}, command.environment);
    Sighting sighting;
    sighting.seconds = SecondsUntil(start, [&] {
        if (moment == Moment::FirstPicture && !sighting.timeline.contains(WindowSeen)) {
            NoteScreenPhase(sighting.timeline, WindowSeen, screen.NewViewableWindow(existing) != 0, start);
        }
        seen = moment == Moment::WindowMapped ? screen.NewViewableWindow(existing)
                                              : screen.NewWindowShowingPicture(existing);
        return seen != 0;
    });
    if (sighting.seconds >= 0 && moment == Moment::FirstPicture) {
        sighting.picture = screen.Grab(screen.AreaOf(seen));
    }
    screen.Snapshot(snapshot);
    player.Kill();
    LetWindowsGo();
    if (sighting.seconds < 0) {
        throw std::runtime_error(command.arguments[0] + " " + MomentText(moment) + " within 15 s");
    }
    return sighting;
}

Sighting WatchPlayer(const ProgramCopy& copy, const std::vector<std::string>& arguments, Moment moment,
                     const std::string& snapshot) {
    const ScreenWatch screen;
    std::vector<std::string> commandLine = {copy.Program(), "--startup-marks", copy.StartupMarksFile()};
    commandLine.insert(commandLine.end(), arguments.begin(), arguments.end());
    Window window = 0;
    const auto start = std::chrono::steady_clock::now();
    StartedProgram player(commandLine, copy.Clips());
    Sighting sighting;
    StartupTimeline seenOnScreen;
    sighting.seconds = SecondsUntil(start, [&] {
        window = ReadyPlayerWindow(screen);
        NoteScreenPhase(seenOnScreen, WindowSeen, window != 0, start);
        return window != 0 && (moment == Moment::WindowMapped || VideoPanelShowsPicture(screen, window));
    });
    if (sighting.seconds >= 0 && moment == Moment::FirstPicture) {
        sighting.picture = screen.Grab(VideoPanelArea(screen, window));
    }
    screen.Snapshot(snapshot);
    player.Kill();
    sighting.timeline = ReadStartupMarks(copy.StartupMarksFile(), start);
    sighting.timeline.merge(seenOnScreen);
    LetWindowsGo();
    if (sighting.seconds < 0) {
        throw std::runtime_error("tarnwick " + MomentText(moment) + " within 15 s");
    }
    return sighting;
}

void Register(Row row) {
    const std::string name = row.name;
    benchmark::RegisterBenchmark(name.c_str(),
                                 [row = std::move(row)](benchmark::State& state) { RunRow(state, row); })
        ->UseManualTime()
        ->Iterations(1)
        ->Unit(benchmark::kMillisecond);
}
