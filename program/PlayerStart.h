// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "player/BusNameClaim.h"
#include "player/CommandLine.h"

// What the program hands its player part once it knows this start plays: the command line it read,
// and the player's name if it claimed it. Both parts are built from the same sources by the same
// compiler, so these objects pass between them as they are.
struct PlayerStart {
    int& argc;
    char** argv;
    const CommandLine& commandLine;
    BusNameClaim& claim;
    BusNameClaim::Result claimed;
};

// The player part's entry, looked up by this name. Returns the program's exit status.
using PlayerEntry = int (*)(PlayerStart& start);
inline constexpr const char* PlayerEntryName = "TarnwickRunPlayer";
