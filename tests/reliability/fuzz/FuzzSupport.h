// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <string>

// What the fuzz targets share: a check that stops the run with the failing input saved, a scratch
// folder on a memory file system, and a Qt application for the targets that need widgets.

// Stops the fuzzer with a message when a property of the code under test does not hold; libFuzzer
// then saves the input as a crash, so a broken property is found like a crash.
#define FUZZ_CHECK(condition)                                                                                \
    do {                                                                                                     \
        if (!(condition)) {                                                                                  \
            FuzzCheckFailed(#condition, __FILE__, __LINE__);                                                 \
        }                                                                                                    \
    } while (false)

[[noreturn]] void FuzzCheckFailed(const char* condition, const char* file, int line);

// A fresh folder, made once per process and removed at exit; on /dev/shm when it exists, so that
// the writes of a target cost no disk time.
const std::string& ScratchFolder();

// Makes the process's Qt application (offscreen, no display needed) the first time it is asked.
void EnsureQtApplication();
