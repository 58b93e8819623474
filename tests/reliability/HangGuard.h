// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

// Ends the whole test program with a message when the guarded call has not returned by the deadline.
// A thread stuck inside the media library cannot be abandoned safely, and a suite that hangs tells
// nobody anything: the case has to fail, and failing means the process ends.
class HangGuard {
public:
    HangGuard(std::string what, std::chrono::milliseconds limit);
    ~HangGuard();
    HangGuard(const HangGuard&) = delete;
    HangGuard& operator=(const HangGuard&) = delete;

    // The exit status of a program that a guard ended.
    static constexpr int ExitStatus = 86;

private:
    std::mutex lock_;
    std::condition_variable done_;
    bool returned_ = false;
    std::thread watcher_;
};

// Runs the call under a guard and hands back what it returned.
template <typename Call> auto Bounded(const std::string& what, std::chrono::milliseconds limit, Call&& call) {
    HangGuard guard(what, limit);
    return call();
}
