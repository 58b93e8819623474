// SPDX-License-Identifier: GPL-2.0-or-later
#include "tests/reliability/fuzz/FuzzSupport.h"

#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <unistd.h>

void FuzzCheckFailed(const char* condition, const char* file, int line) {
    std::fprintf(stderr, "%s:%d: property broken: %s\n", file, line, condition);
    std::abort();
}

namespace {

std::string MakeScratchFolder() {
    std::string pattern =
        std::filesystem::exists("/dev/shm") ? "/dev/shm/tarnwick-fuzz-XXXXXX" : "/tmp/tarnwick-fuzz-XXXXXX";
    if (!mkdtemp(pattern.data())) {
        std::perror("mkdtemp");
        std::abort();
    }
    static std::string removeAtExit;
    removeAtExit = pattern;
    std::atexit([] {
        std::error_code ignored;
        std::filesystem::remove_all(removeAtExit, ignored);
    });
    return pattern;
}

} // namespace

const std::string& ScratchFolder() {
    static const std::string folder = MakeScratchFolder();
    return folder;
}

void EnsureQtApplication() {
    if (QApplication::instance()) {
        return;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // Qt keeps the argument vector for the application's whole life.
    static int argc = 1;
    static char name[] = "tarnwick-fuzz";
    static char* argv[] = {name, nullptr};
    new QApplication(argc, argv);
}
