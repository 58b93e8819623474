// SPDX-License-Identifier: GPL-2.0-or-later
#include "bench/ProgramCopy.h"

#include <filesystem>
#include <fstream>

ProgramCopy::ProgramCopy() {
    std::filesystem::create_directories(dir_ / "bin/plugins");
    std::filesystem::create_directories(Clips());
    std::filesystem::copy_file(TARNWICK_PROGRAM, Program());
    std::filesystem::copy_file(TARNWICK_PLAYER_PART,
                               std::filesystem::path(Program()).parent_path() / "libtarnwick-player.so");
    for (const auto& entry : std::filesystem::directory_iterator(TARNWICK_PLUGINS)) {
        std::filesystem::copy_file(entry.path(), dir_ / ("bin/plugins/" + entry.path().filename().string()));
    }
}

std::string ProgramCopy::AddClip(const std::string& source, const std::string& name) const {
    const std::string path = Clips() + "/" + name;
    std::filesystem::copy_file(source, path, std::filesystem::copy_options::overwrite_existing);
    return path;
}

void ProgramCopy::WriteSettings(const std::string& file, bool playing, std::int64_t position,
                                const std::string& deviceMonitor) const {
    std::ofstream settings(dir_ / "bin/tarnwick.ini", std::ios::trunc);
    settings << "[Play]\n"
             << "Dir=" << Clips() << "\n"
             << "File=" << file << "\n"
             << "ENB_VIDEO=" << (deviceMonitor.empty() ? 0 : 1) << "\nENB_AUDIO=0\nResume=1\n"
             << "Playing=" << (playing ? 1 : 0) << "\n"
             << "Position=" << position
             << "\n"
             // One entry that lists every file, so that a clip of any container is shown and resumed.
             << "Filter=All files (*.*)|*.*\n";
    if (!deviceMonitor.empty()) {
        settings << "[Device]\nMonitor=" << deviceMonitor << "\nFullScreen=1\n";
    }
}
