// SPDX-License-Identifier: GPL-2.0-or-later
#include "tests/reliability/HangGuard.h"

#include <cstdio>
#include <cstdlib>

HangGuard::HangGuard(std::string what, std::chrono::milliseconds limit) {
    watcher_ = std::thread([this, what = std::move(what), limit] {
        std::unique_lock guard(lock_);
        if (done_.wait_for(guard, limit, [this] { return returned_; })) {
            return;
        }
        std::fprintf(stderr, "\nFAILED: %s did not return within %lld ms; the program is ended here\n",
                     what.c_str(), static_cast<long long>(limit.count()));
        std::fflush(stderr);
        std::fflush(stdout);
        std::_Exit(ExitStatus);
    });
}

HangGuard::~HangGuard() {
    {
        std::lock_guard guard(lock_);
        returned_ = true;
    }
    done_.notify_all();
    watcher_.join();
}
