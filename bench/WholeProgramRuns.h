// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

// What the whole-program benchmarks share: timing a program from exec to a moment a person would see
// on the screen, and registering a row of the table with its aim.

#include "bench/ProgramCopy.h"
#include "bench/ReferencePlayers.h"
#include "bench/ScreenWatch.h"
#include "bench/StartupTimeline.h"

#include <functional>
#include <string>
#include <vector>

enum class Moment {
    WindowMapped, // a reference player: its first window; the player: its main window with its controls
    FirstPicture, // a reference player: a window showing a picture; the player: its video panel
};

// One start of a program seen on the screen.
struct Sighting {
    double seconds = 0;       // from exec to the moment
    ScreenPicture picture;    // what the window or video panel showed then (first pictures only)
    StartupTimeline timeline; // the phases on the way, the player's own marks among them
};

// Starts a reference player and waits for the moment; throws when it does not come within 15 s. With
// $TARNWICK_BENCH_SNAPSHOTS set, the screen at that moment is saved as <snapshot>.ppm.
Sighting WatchReferencePlayer(const Command& command, Moment moment, const std::string& snapshot);

// Starts the copy of the player, with the settings the caller wrote and the arguments given, and
// waits for the moment; throws when it does not come within 15 s.
Sighting WatchPlayer(const ProgramCopy& copy, const std::vector<std::string>& arguments, Moment moment,
                     const std::string& snapshot);

// What one run of a row measured: seconds, or MiB; and, for a program told to start a file at a
// position, whether its first picture came from before it.
struct Figure {
    Figure(double value, bool pictureBeforeStart = false, StartupTimeline timeline = {})
        : value(value), pictureBeforeStart(pictureBeforeStart), timeline(std::move(timeline)) {}
    double value;
    bool pictureBeforeStart;
    StartupTimeline timeline; // reported as counters "phase: <name>", in milliseconds from exec
};

// One row of the table: "<group>/<what>", the group's "reference" being what the others are compared
// with. run plays the program once and returns its figure; a fault it throws is the row's error.
struct Row {
    enum class Unit { Seconds, MiB };
    std::string name;
    std::string label;      // what the figure measures
    double targetRatio = 0; // the most the figure may be as a multiple of the reference's; 0: no aim
    double targetMiB = 0;   // the most MiB the figure may be; 0: no aim
    Unit unit = Unit::Seconds;
    std::function<Figure()> run;
};

// Registers the row with Google Benchmark, one run per repetition.
void Register(Row row);
