// SPDX-License-Identifier: GPL-2.0-or-later
#include "core/StartupMarks.h"

#include "tests/support/TempDir.h"

#include <fstream>
#include <gtest/gtest.h>
#include <thread>
#include <vector>

namespace {

struct Mark {
    std::int64_t at;
    std::string phase;
};

std::vector<Mark> ReadMarks(const std::string& path) {
    std::vector<Mark> marks;
    std::ifstream file(path);
    std::int64_t at = 0;
    std::string phase;
    while (file >> at && std::getline(file >> std::ws, phase)) {
        marks.push_back({at, phase});
    }
    return marks;
}

// One process opens the marks once, so the whole life of the recorder is one case.
TEST(StartupMarksTest, WritesEachPhaseAsOneWholeLineFromMainOnAndOnceWhereAsked) {
    TempDir dir;
    const std::string path = dir / "marks";
    const std::int64_t mainReached = MonotonicNanoseconds();
    // Reached before the file is open: nothing is written, and the phase is not spent.
    MarkStartup("too early");
    MarkStartupOnce("settings read");
    ASSERT_FALSE(StartupMarksOpen());
    ASSERT_FALSE(OpenStartupMarks(dir / "no-such-folder/marks", mainReached));
    ASSERT_FALSE(StartupMarksOpen());

    ASSERT_TRUE(OpenStartupMarks(path, mainReached));
    MarkStartupOnce("settings read");
    MarkStartupOnce("settings read");
    MarkStartup("graph prerolled");
    MarkStartup("graph prerolled");
    // Streaming threads mark too: their lines stay whole.
    std::vector<std::thread> threads;
    for (int i = 0; i < 4; ++i) {
        threads.emplace_back([] {
            for (int j = 0; j < 50; ++j) {
                MarkStartupOnce("video sink: first buffer");
                MarkStartup("a phase with a long name written from many threads at once");
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }

    const std::vector<Mark> marks = ReadMarks(path);
    ASSERT_EQ(marks.size(), 1 + 1 + 2 + 1 + 200u);
    EXPECT_EQ(marks[0].phase, "main");
    EXPECT_EQ(marks[0].at, mainReached);
    EXPECT_EQ(marks[1].phase, "settings read");
    EXPECT_EQ(marks[2].phase, "graph prerolled");
    EXPECT_EQ(marks[3].phase, "graph prerolled");
    int firstBuffers = 0;
    for (std::size_t i = 1; i < marks.size(); ++i) {
        EXPECT_GE(marks[i].at, mainReached) << marks[i].phase;
        EXPECT_NE(marks[i].phase, "too early");
        firstBuffers += marks[i].phase == "video sink: first buffer";
        EXPECT_TRUE(marks[i].phase == "video sink: first buffer" ||
                    marks[i].phase == "a phase with a long name written from many threads at once" || i < 4)
            << marks[i].phase;
    }
    EXPECT_EQ(firstBuffers, 1);
}

} // namespace
