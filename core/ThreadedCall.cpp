// SPDX-License-Identifier: GPL-2.0-or-later
#include "core/ThreadedCall.h"

#include <cerrno>
#include <cstdint>
#include <mutex>
#include <sys/eventfd.h>
#include <system_error>
#include <unistd.h>

struct ThreadedCall::Shared {
    Shared() : ended(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}
    ~Shared() {
        if (ended >= 0) {
            ::close(ended);
        }
    }
    Shared(const Shared&) = delete;
    Shared& operator=(const Shared&) = delete;

    const int ended;
    std::mutex lock;
    bool done = false;
    // Set when the caller gave up waiting; taken by the thread once the call has returned.
    std::function<void()> after;
};

ThreadedCall::ThreadedCall(std::function<void()> call) : shared_(std::make_shared<Shared>()) {
    if (shared_->ended < 0) {
        throw std::system_error(errno, std::generic_category(), "no descriptor for a threaded call");
    }
    thread_ = std::thread([shared = shared_, call = std::move(call)]() mutable {
        call();
        // What the call held goes on this thread, before anyone is told it has returned.
        call = nullptr;
        std::function<void()> after;
        {
            std::lock_guard guard(shared->lock);
            shared->done = true;
            after = std::move(shared->after);
        }
        const std::uint64_t one = 1;
        while (::write(shared->ended, &one, sizeof one) < 0 && errno == EINTR) {
        }
        if (after) {
            after();
        }
    });
}

ThreadedCall::~ThreadedCall() {
    if (thread_.joinable()) {
        thread_.join();
    }
}

int ThreadedCall::Ended() const {
    return shared_->ended;
}

bool ThreadedCall::Done() const {
    std::lock_guard guard(shared_->lock);
    return shared_->done;
}

void ThreadedCall::LetGo(std::function<void()> after) {
    bool runHere = true;
    {
        std::lock_guard guard(shared_->lock);
        if (!shared_->done) {
            shared_->after = std::move(after);
            runHere = false;
        }
    }
    thread_.detach();
    if (runHere && after) {
        after();
    }
}
