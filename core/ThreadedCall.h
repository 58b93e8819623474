// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <functional>
#include <memory>
#include <thread>

// Runs one call that may never return on a thread of its own: taking an element to a state opens or
// closes its files, and on a dead network share or a disk that hangs that waits in the kernel for as
// long as the server stays away. The user-interface thread waits on Ended() only as long as it
// likes; a call that has not ended by then is left to its thread, and whatever must follow it (taking
// the pipeline down, letting go of what its threads call into) runs there once it returns: a call
// stuck for good costs one thread, not the window.
class ThreadedCall {
public:
    // Throws std::system_error when no thread can be had.
    explicit ThreadedCall(std::function<void()> call);
    // Waits for a call that was not let go.
    ~ThreadedCall();
    ThreadedCall(const ThreadedCall&) = delete;
    ThreadedCall& operator=(const ThreadedCall&) = delete;

    // Readable once the call has returned.
    int Ended() const;
    bool Done() const;
    // Leaves the call to its thread. `after` runs once the call has returned: on its thread, or here
    // when it has returned already.
    void LetGo(std::function<void()> after);

private:
    struct Shared;
    std::shared_ptr<Shared> shared_;
    std::thread thread_;
};
