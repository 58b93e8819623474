// SPDX-License-Identifier: GPL-2.0-or-later
// The program's entry, with only the libraries a start needs to find out whether it plays: a start
// given a file while the player runs hands the file over and ends, without first loading the two
// hundred libraries of the player (several such starts at once, as "Open With" on several files makes,
// would share the processor with the one that plays). A start that plays loads the player part.
#include "core/StartupMarks.h"
#include "player/BusNameClaim.h"
#include "player/CommandLine.h"
#include "program/PlayerPart.h"

#include <cstdio>
#include <filesystem>
#include <malloc.h>
#include <system_error>

int main(int argc, char** argv) {
    const std::int64_t mainReached = MonotonicNanoseconds();
    // The arguments are read before anything else starts, so that --help and --version answer at
    // once, and where there is no display to open.
    std::error_code unknownFolder;
    const CommandLine commandLine =
        ParseCommandLine({argv + 1, argv + argc}, std::filesystem::current_path(unknownFolder).string());
    if (commandLine.Help || commandLine.Version || !commandLine.Error.empty()) {
        if (!commandLine.Error.empty()) {
            std::fprintf(stderr, "tarnwick: %s\n", commandLine.Error.c_str());
        }
        const bool asked = commandLine.Error.empty();
        std::fputs((commandLine.Version && asked ? VersionText() : UsageText()).c_str(),
                   asked ? stdout : stderr);
        return asked ? 0 : 2;
    }
    // The marks are for measuring: a file that cannot be written is said, and the program runs on.
    if (!commandLine.StartupMarks.empty() && !OpenStartupMarks(commandLine.StartupMarks, mainReached)) {
        std::fprintf(stderr, "tarnwick: %s: the start-up marks cannot be written\n",
                     commandLine.StartupMarks.c_str());
    }
    // Before any thread starts (the bus's own does). A decoded full HD picture is 3 MiB. glibc gives a
    // block that large a mapping of its own, but raises that threshold past a block's size each time
    // one is freed, and from then on such blocks come from heaps it seldom gives back: the pictures of
    // a decoder reopened (the threads of a catch-up after a seek) or of the file before stay counted
    // against the program. A fixed threshold keeps every picture in its own mapping, returned when it
    // is freed; the pools that hold pictures reuse them, so few mappings are made.
    mallopt(M_MMAP_THRESHOLD, 1024 * 1024);
    // Each streaming thread of a graph would get an arena of its own, and a folder played file after
    // file leaves every arena holed by the graphs before: the program grew from 123 to 160 MiB over
    // sixty short files. One arena reuses the holes; the threads take it seldom enough (pictures,
    // the bulk, are mappings) that they do not queue for it.
    mallopt(M_ARENA_MAX, 1);
    // A start with a file may only hand it over and end: it first asks for the player's name, on a
    // connection of its own. Becoming the session's player is one step with finding none runs, so
    // that files opened together from the desktop meet in one window. A start without a file always
    // plays, under a name of its own beside a player that runs.
    BusNameClaim claim;
    BusNameClaim::Result claimed = BusNameClaim::Result::NoBus;
    if (!commandLine.Path.empty()) {
        claimed = claim.Claim();
        if (claimed == BusNameClaim::Result::Owner) {
            MarkStartup("player's name claimed");
        } else if (claimed == BusNameClaim::Result::Taken) {
            if (claim.HandOver(commandLine.Path)) {
                MarkStartup("file handed over");
                return 0;
            }
            // Refused or unanswered: this start plays the file itself, beside the player that owns
            // the name.
            claim.Release();
        }
    }
    PlayerStart start{argc, argv, commandLine, claim, claimed};
    return RunPlayerPart(start);
}
