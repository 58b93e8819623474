// SPDX-License-Identifier: GPL-2.0-or-later
// Listing a large folder into the file list, against `ls -f` listing the same folder.

#include "browser/TFileListBox.h"

#include <QCoreApplication>
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <filesystem>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

// A folder of empty ".avi" files, made once and kept between runs (making 100,000 files takes
// longer than measuring them).
std::string FolderOf(int files) {
    const std::string folder = "/tmp/tarnwick-bench-files-" + std::to_string(files);
    const std::string done = folder + "/.complete";
    if (!std::filesystem::exists(done)) {
        std::filesystem::remove_all(folder);
        std::filesystem::create_directories(folder);
        for (int i = 0; i < files; ++i) {
            const std::string name = folder + "/clip" + std::to_string((i * 7919L) % files) + ".avi";
            close(open(name.c_str(), O_CREAT | O_WRONLY, 0644));
        }
        close(open(done.c_str(), O_CREAT | O_WRONLY, 0644));
    }
    return folder;
}

void FileListBox(benchmark::State& state) {
    const int files = static_cast<int>(state.range(0));
    const std::string folder = FolderOf(files);
    TFileListBox list;
    list.show();
    list.SetCurrentDir(folder);
    for (auto _ : state) {
        list.RescanFiles();
        QCoreApplication::processEvents();
    }
    if (list.Count() != files) {
        state.SkipWithError("the list does not hold every file");
    }
    state.SetLabel("TFileListBox rescanning a folder of " + std::to_string(files) +
                   " files with mask *.*: read, match, sort, fill the rows, let the view lay out");
    state.counters["target_ratio"] = 3;
}

void LsF(benchmark::State& state) {
    const std::string folder = FolderOf(static_cast<int>(state.range(0)));
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    char ls[] = "ls";
    char flag[] = "-f";
    std::string path = folder;
    char* argv[] = {ls, flag, path.data(), nullptr};
    for (auto _ : state) {
        pid_t pid = 0;
        if (posix_spawnp(&pid, "ls", &actions, nullptr, argv, environ) != 0) {
            state.SkipWithError("cannot start ls");
            break;
        }
        int status = 0;
        waitpid(pid, &status, 0);
    }
    posix_spawn_file_actions_destroy(&actions);
    state.SetLabel("ls -f on the same folder, output to /dev/null, process start included");
}

} // namespace

// Naming rule of bench/run: "<group>/<what>"; the group's "reference" is what the others compare with.
BENCHMARK(FileListBox)
    ->Name("file_list_100000/TFileListBox")
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(LsF)->Name("file_list_100000/reference")->Arg(100000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(FileListBox)
    ->Name("file_list_10000/TFileListBox")
    ->Arg(10000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(LsF)->Name("file_list_10000/reference")->Arg(10000)->Unit(benchmark::kMillisecond)->UseRealTime();
