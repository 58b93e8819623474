// SPDX-License-Identifier: GPL-2.0-or-later
// The playback object over many files, good and damaged, in every output mode, and then GStreamer taken
// down: its leak tracer must find nothing of ours alive. The program itself never takes GStreamer
// down (it cannot be brought up again in the same process), so the cycles run in a helper program.

#include "tests/reliability/DamagedMedia.h"
#include "tests/support/MediaGenerator.h"
#include "tests/support/TempDir.h"

#include <array>
#include <cstdio>
#include <cstdlib>
#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <vector>

namespace {

struct CyclesRun {
    int status = -1;
    std::string summary;            // the helper's last line
    std::vector<long> gained;       // elements gained over each cycle after the first, the player open
    std::vector<std::string> alive; // the tracer's reports of objects still alive
};

CyclesRun RunCycles(const std::string& options, const std::vector<std::string>& files) {
    TempDir folder;
    const std::string log = folder / "tracer.log";
    // Under the sanitizers the tracer is the check here: LeakSanitizer would only report the objects
    // GStreamer itself makes in its start-up and keeps past gst_deinit.
    const char* asan = std::getenv("ASAN_OPTIONS");
    std::string command = "ASAN_OPTIONS='" + std::string(asan ? asan : "") + ":detect_leaks=0' " +
                          "GST_TRACERS='leaks;leaks(name=elements,filters=GstElement)' "
                          "GST_DEBUG=GST_TRACER:7 GST_DEBUG_NO_COLOR=1 '" +
                          std::string(HALVION_CYCLES) + "' " + options;
    for (const std::string& file : files) {
        command += " '" + file + "'";
    }
    command += " 2>'" + log + "'";
    CyclesRun run;
    if (FILE* pipe = ::popen(command.c_str(), "r")) {
        std::array<char, 512> buffer{};
        while (std::fgets(buffer.data(), buffer.size(), pipe)) {
            run.summary = buffer.data();
            int cycle = 0;
            long resident = 0;
            long gained = 0;
            if (std::sscanf(buffer.data(), "cycle %d resident %ld KiB elements gained %ld", &cycle, &resident,
                            &gained) == 3) {
                run.gained.push_back(gained);
            }
        }
        const int status = ::pclose(pipe);
        run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    std::istringstream lines(ReadFileText(log));
    for (std::string line; std::getline(lines, line);) {
        // The tracer also logs the format of its reports, with "%s" where the type's name goes.
        const auto at = line.find("object-alive, type-name=(string)");
        if (at != std::string::npos && line.find("(string)%s", at) == std::string::npos) {
            run.alive.push_back(line.substr(at));
        }
    }
    return run;
}

std::string Joined(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) {
        text += line + "\n";
    }
    return text;
}

std::string Clip(const std::string& extension) {
    ClipSpec recipe;
    recipe.extension = extension;
    recipe.seconds = 1.0;
    return GenerateClip(recipe);
}

TEST(LeakTracerTest, ManyFilesGoodAndDamagedLeaveNothingAlive) {
    const char* flag = std::getenv("TARNWICK_LONG");
    const int cycles = flag && std::string(flag) == "1" ? 20 : 2;
    TempDir folder;
    const std::vector<std::string> files = {
        Clip(".mp4"),
        Clip(".avi"),
        Clip(".wmv"),
        WriteTruncatedCopy(Clip(".mp4"), folder / "cut.mp4", 1),
        WriteTruncatedCopy(Clip(".mkv"), folder / "cut.mkv", 50),
        WriteOverwrittenCopy(Clip(".avi"), folder / "overwritten.avi", 1),
        folder.WriteFile("notes.mpg", "not a film\n"),
    };
    const CyclesRun run = RunCycles(std::to_string(cycles), files);
    ASSERT_EQ(run.status, 0);
    int opened = 0;
    int ended = 0;
    ASSERT_EQ(std::sscanf(run.summary.c_str(), "opened %d ended %d", &opened, &ended), 2) << run.summary;
    EXPECT_EQ(opened, cycles * static_cast<int>(files.size()));
    EXPECT_GE(ended, cycles * 4) << "the good files and the half of a Matroska file play to their ends";
    EXPECT_TRUE(run.alive.empty()) << Joined(run.alive);
    // The same files again leave no more behind while the player lives: its one graph is emptied and
    // built again for each file. A sink's last element may be let go a moment late, so one or two
    // come and go; what one file's graph leaves behind is a decoder with all its insides.
    ASSERT_EQ(run.gained.size(), static_cast<std::size_t>(cycles));
    EXPECT_LE(run.gained.back(), 2) << "elements gained over the last round of the same files";
}

// The check above can fail: an element kept on purpose is reported.
TEST(LeakTracerTest, AnElementKeptAliveIsReported) {
    const CyclesRun run = RunCycles("--keep-an-element 1", {Clip(".mp4")});
    ASSERT_EQ(run.status, 0);
    ASSERT_FALSE(run.alive.empty());
    EXPECT_NE(Joined(run.alive).find("<kept-on-purpose>"), std::string::npos) << Joined(run.alive);
}

} // namespace
