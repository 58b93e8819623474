// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "tests/support/TempDir.h"

#include <cstdint>
#include <string>

// A copy of the player with its device plugin in a temporary folder, so that the settings file beside
// it is the benchmark's own, and a folder of clips beside the copy.
class ProgramCopy {
public:
    ProgramCopy();
    ProgramCopy(const ProgramCopy&) = delete;
    ProgramCopy& operator=(const ProgramCopy&) = delete;

    std::string Program() const { return dir_ / "bin/tarnwick"; }
    std::string Clips() const { return dir_ / "clips"; }
    // Where a start of the copy told to is to write its start-up marks.
    std::string StartupMarksFile() const { return dir_ / "startup-marks"; }

    // Puts a copy of the file into the clips folder under the name given; returns its path.
    std::string AddClip(const std::string& source, const std::string& name) const;

    // Writes the section the player reads at start-up: the folder and file shown, whether the file
    // plays on at a position (media time in 100 ns units), and a filter listing every file. With a
    // device monitor ("NAME W×H+X+Y"), the picture goes to the output device, full screen there.
    void WriteSettings(const std::string& file, bool playing, std::int64_t position,
                       const std::string& deviceMonitor = {}) const;

private:
    TempDir dir_;
};
