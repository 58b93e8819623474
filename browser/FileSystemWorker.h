// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QObject>
#include <QPointer>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>

// Every look-up on a path that may lie on a network share runs here, off the window's thread: a
// share that sleeps answers after seconds, one whose server is gone never does, and the call waits
// in the kernel all that time. The window's thread only hands errands over and takes the answers.
//
// The worker is plain threads with no Qt of their own, so it can be used before the application
// exists. Its threads are never joined: one caught in a call on a dead share is left to it, and an
// errand that comes meanwhile gets a thread of its own.

// The calls the worker makes, one place where a test can hold any of them. Each look-up first says
// what it is about to do; a test's override can wait there for as long as it likes.
class FileSystemCalls {
public:
    virtual ~FileSystemCalls() = default;
    // Called on the worker before each call that may wait on a share.
    virtual void Entering(std::string_view call, const std::string& path);
};

// The calls in use: the plain ones unless a test set its own. nullptr puts the plain ones back.
void SetFileSystemCalls(std::shared_ptr<FileSystemCalls> calls);

// Marks, on the worker, the span of one call that may wait on a share (the hook above included), so
// the window's thread can tell an errand caught in a call from one that is busy sorting its answer.
class FileSystemCall {
public:
    FileSystemCall(std::string_view call, const std::string& path);
    ~FileSystemCall();
    FileSystemCall(const FileSystemCall&) = delete;
    FileSystemCall& operator=(const FileSystemCall&) = delete;

protected:
    FileSystemCall();
};

// As FileSystemCall, for a step of a call already announced (an entry read from a folder opened
// through FileSystemCall): it is timed the same, without the hook, as a listing takes one per entry.
class FileSystemStep : public FileSystemCall {
public:
    FileSystemStep() = default;
};

// Where an answer lands: inside the call that asked (the worker answered at once, so an error reaches
// that caller as it always has), or later from the event loop, on a turn of its own.
enum class Landing { InCall, Later };

namespace file_system_worker {

// How long the window's thread waits for an errand caught in one call before it lets the answer come
// later: a local disk answers well within it, a share that sleeps does not.
inline constexpr std::chrono::milliseconds kHeldAfter{200};

struct Errand {
    std::function<void()> work;        // on the worker
    std::function<void(Landing)> land; // on the window's thread, once
    std::atomic<bool> landed{false};
    // When the call the errand is in began (steady clock, ns); 0 between calls.
    std::atomic<std::int64_t> callSince{0};
    bool done = false; // under the worker's lock
};

// Hands an errand over. When wait is true, waits for it while it is not caught in a call: the answer then
// lands inside this call and true is returned. Otherwise (or once it stops making progress) the
// answer lands later from context's event loop, and never when context is gone first.
bool Submit(const std::shared_ptr<Errand>& errand, QObject* context, bool wait);

// Starts threads now until the worker has count of them. A thread cannot start while another thread
// loads a library, so a program that loads large libraries while its window is made starts the
// worker's threads first: the window's first look-ups, some of them at once, then find threads
// waiting. Threads beyond the first end when they find no work for a while, as ever.
void StartThreads(int count);

} // namespace file_system_worker

// Runs lookUp on the worker and land with its answer on context's thread: at once, before this call
// returns, when the worker answers without being held (a local folder); later, from the event loop,
// when a call is held (a sleeping share). land takes the answer, and where it lands if it cares.
// Returns whether it landed before returning.
template <typename Answer, typename Land>
bool LookUpOffThread(QObject* context, std::function<Answer()> lookUp, Land land, bool wait = true) {
    auto errand = std::make_shared<file_system_worker::Errand>();
    auto answer = std::make_shared<std::optional<Answer>>();
    errand->work = [answer, lookUp = std::move(lookUp)] { answer->emplace(lookUp()); };
    errand->land = [answer, land = std::move(land)](Landing landing) mutable {
        if constexpr (std::is_invocable_v<Land&, Answer&, Landing>) {
            land(**answer, landing);
        } else {
            land(**answer);
        }
    };
    return file_system_worker::Submit(errand, context, wait);
}
