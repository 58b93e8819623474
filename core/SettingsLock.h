// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <string>

// Holds the settings file for one shutdown's writes, from its first key to its last, so that two
// players closing at the same moment leave the file with one player's sections whole rather than
// keys of both. The lock is an flock on a hidden file beside the settings file; it is released when
// the object goes, or when the process dies.
//
// It waits for another player's shutdown for a few seconds at most: a player stopped in the middle
// of its own shutdown must not keep this one from ending. Without the lock (a folder that cannot be
// written, the wait run out) the writes go ahead all the same, and report their own failures.
class SettingsWriteLock {
public:
    explicit SettingsWriteLock(const std::string& settingsFile, int waitMs = 5000);
    ~SettingsWriteLock();
    SettingsWriteLock(const SettingsWriteLock&) = delete;
    SettingsWriteLock& operator=(const SettingsWriteLock&) = delete;

    bool Held() const { return fd_ >= 0; }

private:
    int fd_ = -1;
};

// The lock file of a settings file: ".NAME.lock" in the same folder.
std::string SettingsLockFileName(const std::string& settingsFile);
