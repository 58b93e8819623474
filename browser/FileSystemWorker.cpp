// SPDX-License-Identifier: GPL-2.0-or-later
#include "browser/FileSystemWorker.h"

#include <QMetaObject>
#include <algorithm>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <time.h>

void FileSystemCalls::Entering(std::string_view, const std::string&) {}

namespace file_system_worker {
namespace {

// A thread caught for good on a dead share stays caught; past this many, errands wait their turn
// rather than pile up threads.
constexpr int kMostThreads = 16;
// A thread beyond the first that has had nothing to do for this long goes.
constexpr std::chrono::seconds kIdleEnd{20};

struct Pool {
    std::mutex lock;
    std::condition_variable work;     // an errand was queued
    std::condition_variable finished; // an errand was done
    std::deque<std::shared_ptr<Errand>> queue;
    int threads = 0;
    int idle = 0;
    std::shared_ptr<FileSystemCalls> calls = std::make_shared<FileSystemCalls>();
};

// Never destroyed: a thread caught in a call may still use it while the program exits.
Pool& ThePool() {
    static Pool* pool = new Pool;
    return *pool;
}

thread_local Errand* currentErrand = nullptr;
// The calls an errand makes are those in use when it began: a listing's many calls take no lock.
thread_local std::shared_ptr<FileSystemCalls> currentCalls;

// The coarse clock is read without a system call, and its few milliseconds of grain are nothing
// beside the time a call must be caught before it counts: a listing reads it once an entry.
std::int64_t NowNanoseconds() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC_COARSE, &now);
    return static_cast<std::int64_t>(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
}

std::int64_t NanosecondsOf(std::chrono::milliseconds span) {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(span).count();
}

std::shared_ptr<FileSystemCalls> Calls() {
    Pool& pool = ThePool();
    const std::lock_guard held(pool.lock);
    return pool.calls;
}

void Serve() {
    // The first use of a thread_local with a destructor registers it with the loader, under the lock
    // a library's load holds throughout: that is done now, as the thread starts, not in a first
    // errand the window's thread waits for.
    currentCalls.reset();
    Pool& pool = ThePool();
    std::unique_lock held(pool.lock);
    // A thread counts as idle from its start, so that errands asked before it first waits are not
    // each given a thread of their own.
    bool countedIdle = true;
    while (true) {
        if (!countedIdle) {
            ++pool.idle;
        }
        countedIdle = false;
        const bool woken = pool.work.wait_for(held, kIdleEnd, [&] { return !pool.queue.empty(); });
        --pool.idle;
        if (!woken && pool.threads > 1) {
            --pool.threads;
            return;
        }
        if (pool.queue.empty()) {
            continue;
        }
        std::shared_ptr<Errand> errand = std::move(pool.queue.front());
        pool.queue.pop_front();
        held.unlock();
        currentErrand = errand.get();
        currentCalls = Calls();
        try {
            errand->work();
        } catch (...) {
            // A look-up reports its failures in its answer; anything else leaves the errand
            // unanswered, which its caller already survives for a share that never answers.
            errand->land = [](Landing) {};
        }
        currentErrand = nullptr;
        currentCalls.reset();
        errand->work = nullptr; // it holds the errand itself
        held.lock();
        errand->done = true;
        pool.finished.notify_all();
    }
}

void Land(const std::shared_ptr<Errand>& errand, Landing landing) {
    if (!errand->landed.exchange(true)) {
        errand->land(landing);
    }
}

} // namespace

bool Submit(const std::shared_ptr<Errand>& errand, QObject* context, bool wait) {
    Pool& pool = ThePool();
    // The answer is posted back from the worker once the work is done, through an object that
    // lives as long as the program, and lands only if the asker is still there by then (which only
    // the window's thread can tell). When the window's thread takes it first, below, the posted
    // one finds it landed.
    static QObject* const relay = new QObject;
    QPointer<QObject> target(context);
    auto work = std::move(errand->work);
    errand->work = [work = std::move(work), target, keep = errand] {
        work();
        QMetaObject::invokeMethod(
            relay,
            [keep, target] {
                if (target) {
                    Land(keep, Landing::Later);
                }
            },
            Qt::QueuedConnection);
    };
    std::unique_lock held(pool.lock);
    pool.queue.push_back(errand);
    if (static_cast<int>(pool.queue.size()) > pool.idle && pool.threads < kMostThreads) {
        ++pool.threads;
        ++pool.idle;
        std::thread(Serve).detach();
    }
    pool.work.notify_one();
    if (!wait) {
        return false;
    }
    const std::int64_t submitted = NowNanoseconds();
    while (!errand->done) {
        pool.finished.wait_for(held, std::chrono::milliseconds(10));
        const std::int64_t since = errand->callSince.load();
        if (!errand->done && since != 0 && NowNanoseconds() - since >= NanosecondsOf(kHeldAfter)) {
            return false;
        }
        const bool queued = std::find(pool.queue.begin(), pool.queue.end(), errand) != pool.queue.end();
        if (queued && NowNanoseconds() - submitted >= NanosecondsOf(kHeldAfter)) {
            return false;
        }
    }
    held.unlock();
    Land(errand, Landing::InCall);
    return true;
}

void StartThreads(int count) {
    Pool& pool = ThePool();
    const std::lock_guard held(pool.lock);
    for (; pool.threads < std::min(count, kMostThreads); ++pool.threads) {
        ++pool.idle;
        std::thread(Serve).detach();
    }
}

} // namespace file_system_worker

void SetFileSystemCalls(std::shared_ptr<FileSystemCalls> calls) {
    auto& pool = file_system_worker::ThePool();
    const std::lock_guard held(pool.lock);
    pool.calls = calls ? std::move(calls) : std::make_shared<FileSystemCalls>();
}

FileSystemCall::FileSystemCall(std::string_view call, const std::string& path) {
    if (file_system_worker::currentErrand) {
        file_system_worker::currentErrand->callSince.store(file_system_worker::NowNanoseconds());
    }
    if (file_system_worker::currentCalls) {
        file_system_worker::currentCalls->Entering(call, path);
    } else {
        file_system_worker::Calls()->Entering(call, path);
    }
}

FileSystemCall::FileSystemCall() {
    if (file_system_worker::currentErrand) {
        file_system_worker::currentErrand->callSince.store(file_system_worker::NowNanoseconds(),
                                                           std::memory_order_relaxed);
    }
}

FileSystemCall::~FileSystemCall() {
    if (file_system_worker::currentErrand) {
        file_system_worker::currentErrand->callSince.store(0, std::memory_order_relaxed);
    }
}
