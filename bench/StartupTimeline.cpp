// SPDX-License-Identifier: GPL-2.0-or-later
#include "bench/StartupTimeline.h"

#include <cstdint>
#include <fstream>
#include <sstream>

StartupTimeline ReadStartupMarks(const std::string& path, std::chrono::steady_clock::time_point start) {
    // steady_clock is the monotonic clock the program marks by.
    const std::int64_t startNanoseconds =
        std::chrono::duration_cast<std::chrono::nanoseconds>(start.time_since_epoch()).count();
    StartupTimeline timeline;
    std::ifstream marks(path);
    std::string line;
    while (std::getline(marks, line)) {
        std::istringstream fields(line);
        std::int64_t at = 0;
        std::string phase;
        if (!(fields >> at) || !std::getline(fields >> std::ws, phase) || phase.empty()) {
            continue;
        }
        timeline.emplace(phase, static_cast<double>(at - startNanoseconds) / 1e9);
    }
    return timeline;
}

void NoteScreenPhase(StartupTimeline& timeline, const std::string& phase, bool holds,
                     std::chrono::steady_clock::time_point start) {
    if (holds && !timeline.contains(phase)) {
        timeline.emplace(phase,
                         std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
}
