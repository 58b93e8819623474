// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "program/PlayerStart.h"

#include <string>

// The player part's file: beside the program in the build tree, else where it is installed, relative
// to the program; empty when the program's own folder cannot be told.
std::string PlayerPartFile();

// Loads the player part and runs it to its end. Its libraries stay loaded until the process ends.
// Returns its exit status, or 1 with the reason on standard error when it cannot be loaded.
int RunPlayerPart(PlayerStart& start);
