// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <chrono>
#include <map>
#include <string>

// Where a start's time went, phase by phase: seconds from exec to the first time each phase was
// reached. The program's own marks (its --startup-marks file) and what the benchmark saw on the
// screen meet here; the screen's phases are named "screen: ...".
using StartupTimeline = std::map<std::string, double>;

// Reads the program's marks file, lines "<nanoseconds on the monotonic clock> <phase>", as seconds
// from start (the moment the benchmark started the program). A phase marked more than once counts
// from its first mark; a line that cannot be read is left out, so a program killed mid-write leaves
// the rest readable. Empty when the file is missing.
StartupTimeline ReadStartupMarks(const std::string& path, std::chrono::steady_clock::time_point start);

// Counts as a phase the first moment the condition is seen to hold, from the start; a phase already
// counted stays as it was.
void NoteScreenPhase(StartupTimeline& timeline, const std::string& phase, bool holds,
                     std::chrono::steady_clock::time_point start);
