// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "browser/FileSystemWorker.h"

#include <condition_variable>
#include <mutex>
#include <string>

// A share that sleeps, as the file-system worker meets it: every call on a path under the held folder
// waits until the test lets it go. Installed for its life; letting go at the end frees any caught call.
class HeldFileSystem : public FileSystemCalls, public std::enable_shared_from_this<HeldFileSystem> {
public:
    static std::shared_ptr<HeldFileSystem> Install(std::string heldFolder) {
        auto held = std::make_shared<HeldFileSystem>();
        held->folder_ = std::move(heldFolder);
        SetFileSystemCalls(held);
        return held;
    }
    ~HeldFileSystem() override = default;

    void Entering(std::string_view, const std::string& path) override {
        if (!path.starts_with(folder_)) {
            return;
        }
        std::unique_lock lock(lock_);
        ++caught_;
        changed_.notify_all();
        changed_.wait(lock, [this] { return free_; });
    }
    // Lets every call through, those caught now and those to come.
    void LetGo() {
        const std::lock_guard lock(lock_);
        free_ = true;
        changed_.notify_all();
    }
    int Caught() {
        const std::lock_guard lock(lock_);
        return caught_;
    }

private:
    std::string folder_;
    std::mutex lock_;
    std::condition_variable changed_;
    bool free_ = false;
    int caught_ = 0;
};

// Puts the plain calls back and lets whatever is caught go, however the test ends.
struct HeldFileSystemGone {
    std::shared_ptr<HeldFileSystem> held;
    ~HeldFileSystemGone() {
        held->LetGo();
        SetFileSystemCalls(nullptr);
    }
};
