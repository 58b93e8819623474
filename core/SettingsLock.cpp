// SPDX-License-Identifier: GPL-2.0-or-later
#include "core/SettingsLock.h"

#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <sys/file.h>
#include <thread>
#include <unistd.h>

std::string SettingsLockFileName(const std::string& settingsFile) {
    const std::size_t slash = settingsFile.rfind('/');
    const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    return settingsFile.substr(0, nameStart) + "." + settingsFile.substr(nameStart) + ".lock";
}

SettingsWriteLock::SettingsWriteLock(const std::string& settingsFile, int waitMs) {
    const std::string lockFile = SettingsLockFileName(settingsFile);
    // The lock file is never removed: a player that removed it while another waited on it would let
    // a third lock a new file of the same name, and two writers would run at once.
    const int fd = ::open(lockFile.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) {
        return;
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
    for (;;) {
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
            fd_ = fd;
            return;
        }
        if ((errno != EWOULDBLOCK && errno != EINTR) || std::chrono::steady_clock::now() >= deadline) {
            ::close(fd);
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

SettingsWriteLock::~SettingsWriteLock() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}
