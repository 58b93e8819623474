// SPDX-License-Identifier: GPL-2.0-or-later
#include "core/ProfileFile.h"
#include "tests/support/TempDir.h"

#include <chrono>
#include <csignal>
#include <cstdio>
#include <dirent.h>
#include <gtest/gtest.h>
#include <map>
#include <random>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

using Keys = std::map<std::pair<std::string, std::string>, std::string>;

// The file's keys by section and name, read line by line without the program's own reader, so a
// fault in that reader cannot hide a damaged file.
Keys KeysOf(const std::string& content) {
    Keys keys;
    std::string section;
    std::size_t begin = 0;
    while (begin < content.size()) {
        std::size_t end = content.find('\n', begin);
        if (end == std::string::npos) {
            end = content.size();
        }
        const std::string line = content.substr(begin, end - begin);
        if (!line.empty() && line.front() == '[') {
            section = line.substr(1, line.find(']') - 1);
        } else if (const std::size_t equals = line.find('='); equals != std::string::npos) {
            keys[{section, line.substr(0, equals)}] = line.substr(equals + 1);
        }
        begin = end + 1;
    }
    return keys;
}

std::vector<std::string> Temporaries(const std::string& folder, const std::string& name) {
    std::vector<std::string> found;
    const std::string prefix = "." + name + ".tmp-";
    if (DIR* dir = opendir(folder.c_str())) {
        while (dirent* entry = readdir(dir)) {
            if (std::string(entry->d_name).rfind(prefix, 0) == 0) {
                found.push_back(entry->d_name);
            }
        }
        closedir(dir);
    }
    return found;
}

// A value the writer of one run may have saved under a key.
bool WrittenByRun(const std::string& key, const std::string& value, int run) {
    if (key == "ENB_VIDEO" || key == "ENB_AUDIO" || key == "Resume" || key == "Playing") {
        return value == "0" || value == "1";
    }
    return value.find("R" + std::to_string(run) + "-") != std::string::npos;
}

class SettingsWriterProcess {
public:
    // With `rounds`, the writer saves that many times, each under the write lock when `locked`, and
    // ends by itself.
    SettingsWriterProcess(const std::string& file, int run, int rounds = -1, bool locked = false) {
        int pipeEnds[2];
        if (pipe(pipeEnds) != 0) {
            throw std::runtime_error("pipe");
        }
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], STDOUT_FILENO);
        posix_spawn_file_actions_addclose(&actions, pipeEnds[0]);
        const std::string runText = std::to_string(run);
        const std::string roundsText = std::to_string(rounds);
        std::vector<char*> argv = {const_cast<char*>(SETTINGS_WRITER), const_cast<char*>(file.c_str()),
                                   const_cast<char*>(runText.c_str())};
        if (rounds >= 0) {
            argv.push_back(const_cast<char*>(roundsText.c_str()));
            if (locked) {
                argv.push_back(const_cast<char*>("locked"));
            }
        }
        argv.push_back(nullptr);
        const int failed = posix_spawn(&pid_, SETTINGS_WRITER, &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        close(pipeEnds[1]);
        readEnd_ = pipeEnds[0];
        if (failed) {
            close(readEnd_);
            throw std::runtime_error("cannot start " SETTINGS_WRITER);
        }
    }
    ~SettingsWriterProcess() {
        close(readEnd_);
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
    }
    // Waits for the writer's signal that it is about to save.
    bool Started() {
        char byte = 0;
        return read(readEnd_, &byte, 1) == 1;
    }
    // Waits for the writer to end by itself and gives its exit status.
    int Wait() {
        int status = 0;
        waitpid(pid_, &status, 0);
        pid_ = -1;
        return status;
    }
    // Kills the writer and gives its exit status.
    int Kill() {
        kill(pid_, SIGKILL);
        int status = 0;
        waitpid(pid_, &status, 0);
        pid_ = -1;
        return status;
    }

private:
    pid_t pid_ = -1;
    int readEnd_ = -1;
};

} // namespace

// A writer killed at any moment of saving leaves the old file or the new one, never a damaged one.
// The kill may strand the temporary file of the write it interrupted; the next write clears it.
TEST(SettingsUnderKill, EveryKillLeavesAWholeFileAndTheNextWriteClearsTheTemporary) {
    constexpr int kRuns = 200;
    TempDir dir;
    const std::string path = dir.WriteFile(
        "tarnwick.ini", "; settings\n[TfrmMain]\nPlaceShowCmd=1\nPlaceNormalPos.Left=10\n"
                        "[Play]\nDir=/videos/start\nFile=/videos/start/a.avi\nENB_VIDEO=1\nENB_AUDIO=0\n"
                        "Filter=Start|*.*\nResume=1\nPlaying=0\nPosition=0\n[Zeichen]\nName=映像\n");
    const std::string untouchedHead =
        "; settings\n[TfrmMain]\nPlaceShowCmd=1\nPlaceNormalPos.Left=10\n[Play]\n";
    const std::string untouchedTail = "\n[Zeichen]\nName=映像\n";
    std::mt19937 random(20240607);
    std::uniform_int_distribution<int> delayMicroseconds(0, 20000);
    int strandedTemporaries = 0;
    int runsThatChangedTheFile = 0;

    const auto started = std::chrono::steady_clock::now();
    for (int run = 1; run <= kRuns; ++run) {
        SCOPED_TRACE("run " + std::to_string(run));
        const std::string before = ReadFileText(path);
        const Keys keysBefore = KeysOf(before);
        {
            SettingsWriterProcess writer(path, run);
            ASSERT_TRUE(writer.Started());
            std::this_thread::sleep_for(std::chrono::microseconds(delayMicroseconds(random)));
            const int status = writer.Kill();
            ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << "the writer ended by itself";
        }

        const std::string after = ReadFileText(path);
        ASSERT_FALSE(after.empty()) << "missing or empty file";
        ASSERT_EQ(after.back(), '\n') << "truncated file";
        ASSERT_EQ(after.rfind(untouchedHead, 0), 0u) << after;
        ASSERT_EQ(after.compare(after.size() - untouchedTail.size(), untouchedTail.size(), untouchedTail), 0)
            << after;
        const Keys keysAfter = KeysOf(after);
        ASSERT_EQ(keysAfter.size(), keysBefore.size()) << after;
        for (const auto& [name, oldValue] : keysBefore) {
            auto found = keysAfter.find(name);
            ASSERT_NE(found, keysAfter.end()) << name.first << "/" << name.second << " lost";
            EXPECT_TRUE(found->second == oldValue || WrittenByRun(name.second, found->second, run))
                << name.second << "=" << found->second << ", before " << oldValue;
        }
        runsThatChangedTheFile += after != before;
        strandedTemporaries += !Temporaries(dir.Path(), "tarnwick.ini").empty();

        ProfileFile(path).WriteString("Play", "Position", "checked-" + std::to_string(run));
        ASSERT_EQ(Temporaries(dir.Path(), "tarnwick.ini"), std::vector<std::string>{});
    }
    const auto seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    std::printf(
        "%d kills in %.1f s: %d changed the file, %d stranded a temporary that the next write removed\n",
        kRuns, seconds, runsThatChangedTheFile, strandedTemporaries);
    // Kills that never land inside a save would prove nothing.
    EXPECT_GT(runsThatChangedTheFile, kRuns / 4);
}

// Two players closing at the same moment. Neither may clear away the temporary file the other is
// writing, or the other's rename fails; and each saves its whole section under the lock, so the file
// ends with one round's section, never keys of both writers.
TEST(SettingsUnderKill, TwoWritersAtOnceBothSucceedAndUnderTheLockLeaveOneRoundWhole) {
    constexpr int kRounds = 150;
    for (const bool locked : {false, true}) {
        SCOPED_TRACE(locked ? "under the lock" : "without the lock");
        TempDir dir;
        const std::string path = dir.WriteFile("tarnwick.ini", "[Play]\nDir=/videos/start\n");
        SettingsWriterProcess first(path, 1, kRounds, locked);
        SettingsWriterProcess second(path, 2, kRounds, locked);
        ASSERT_TRUE(first.Started());
        ASSERT_TRUE(second.Started());
        const int firstStatus = first.Wait();
        const int secondStatus = second.Wait();
        EXPECT_TRUE(WIFEXITED(firstStatus) && WEXITSTATUS(firstStatus) == 0) << "the first writer failed";
        EXPECT_TRUE(WIFEXITED(secondStatus) && WEXITSTATUS(secondStatus) == 0) << "the second writer failed";
        EXPECT_EQ(Temporaries(dir.Path(), "tarnwick.ini"), std::vector<std::string>{});
        if (!locked) {
            continue;
        }
        const std::string after = ReadFileText(path);
        const Keys keys = KeysOf(after);
        const std::string dir1 = keys.at({"Play", "Dir"});
        ASSERT_EQ(dir1.rfind("/videos/R", 0), 0u) << after;
        const std::string mark = dir1.substr(std::string("/videos/").size());
        const std::map<std::string, std::string> sameRound = {
            {"File", "/videos/" + mark + "/clip.avi"},
            {"Filter", "Videos " + mark + "|*.avi;*.mpg|All|*.*"},
            {"Position", mark}};
        for (const auto& [key, expected] : sameRound) {
            EXPECT_EQ(keys.at({"Play", key}), expected) << "not from the round that wrote Dir:\n" << after;
        }
    }
}
