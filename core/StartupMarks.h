// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Moments of the program's start-up on the monotonic clock (the clock a benchmark that starts the
// program reads too), written as lines "<nanoseconds> <phase>" to a file, so that the benchmark can
// lay out from exec where a first picture's time goes. Until OpenStartupMarks is called, a mark costs
// one atomic load and writes nothing.

std::int64_t MonotonicNanoseconds();

// Starts writing marks to the file (created or emptied), the first one "main" at the moment given
// (taken at the top of main(), before the command line could be read). Returns false, and marks
// nothing, when the file cannot be opened.
bool OpenStartupMarks(const std::string& path, std::int64_t mainNanoseconds);

// Goes on writing marks to a file that OpenStartupMarks began, in another part of the program that
// keeps marks of its own (a library it loads). False when the file cannot be opened.
bool ContinueStartupMarks(const std::string& path);

bool StartupMarksOpen();

// Marks the phase now. Safe from any thread; each mark is one write, so a program killed at any moment
// leaves whole lines.
void MarkStartup(std::string_view phase);

// Marks the phase only the first time it is reached in this process.
void MarkStartupOnce(std::string_view phase);
