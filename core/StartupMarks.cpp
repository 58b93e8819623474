// SPDX-License-Identifier: GPL-2.0-or-later
#include "core/StartupMarks.h"

#include <atomic>
#include <fcntl.h>
#include <mutex>
#include <set>
#include <time.h>
#include <unistd.h>

namespace {

std::atomic<int> marksFile{-1};

void WriteMark(std::int64_t at, std::string_view phase) {
    const int fd = marksFile.load(std::memory_order_acquire);
    if (fd < 0) {
        return;
    }
    std::string line = std::to_string(at) + " ";
    line.append(phase);
    line += '\n';
    // O_APPEND and one write per line keep lines from threads whole and in one piece.
    [[maybe_unused]] const ssize_t written = ::write(fd, line.data(), line.size());
}

} // namespace

std::int64_t MonotonicNanoseconds() {
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<std::int64_t>(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
}

namespace {

// False when the file cannot be opened; whether this call began the marks otherwise.
bool OpenMarksFile(const std::string& path, int flags, bool& began) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC | flags, 0644);
    if (fd < 0) {
        return false;
    }
    int expected = -1;
    began = marksFile.compare_exchange_strong(expected, fd, std::memory_order_acq_rel);
    if (!began) {
        ::close(fd);
    }
    return true;
}

} // namespace

bool OpenStartupMarks(const std::string& path, std::int64_t mainNanoseconds) {
    bool began = false;
    if (!OpenMarksFile(path, O_CREAT | O_TRUNC, began)) {
        return false;
    }
    if (began) {
        WriteMark(mainNanoseconds, "main");
    }
    return true;
}

bool ContinueStartupMarks(const std::string& path) {
    bool began = false;
    return OpenMarksFile(path, 0, began);
}

bool StartupMarksOpen() {
    return marksFile.load(std::memory_order_relaxed) >= 0;
}

void MarkStartup(std::string_view phase) {
    if (StartupMarksOpen()) {
        WriteMark(MonotonicNanoseconds(), phase);
    }
}

void MarkStartupOnce(std::string_view phase) {
    if (!StartupMarksOpen()) {
        return;
    }
    static std::mutex lock;
    static std::set<std::string> reached;
    const std::int64_t now = MonotonicNanoseconds();
    {
        std::lock_guard guard(lock);
        if (!reached.emplace(phase).second) {
            return;
        }
    }
    WriteMark(now, phase);
}
