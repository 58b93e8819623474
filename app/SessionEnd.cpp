// SPDX-License-Identifier: GPL-2.0-or-later
#include "app/SessionEnd.h"

#include <QGuiApplication>
#include <QSessionManager>
#include <QSocketNotifier>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {

// The signal handler's only work is a byte down this pipe, which wakes the event loop.
int wakeFds[2] = {-1, -1};
std::atomic<bool> settingsRead{false};
static_assert(std::atomic<bool>::is_always_lock_free, "read from a signal handler");

constexpr int kSessionEndSignals[] = {SIGTERM, SIGINT, SIGHUP};

// Runs on whichever thread the signal lands on.
void OnSessionEndSignal(int signalNumber) {
    if (!settingsRead.load()) {
        std::signal(signalNumber, SIG_DFL);
        std::raise(signalNumber);
        return;
    }
    const int savedErrno = errno;
    const char byte = static_cast<char>(signalNumber);
    // A full pipe already holds a wake-up; the byte is not needed.
    [[maybe_unused]] const ssize_t written = ::write(wakeFds[1], &byte, 1);
    errno = savedErrno;
}

} // namespace

void InstallSessionEndSignals() {
    if (wakeFds[0] < 0 && ::pipe2(wakeFds, O_CLOEXEC | O_NONBLOCK) != 0) {
        return; // the signals keep their default: the program ends at once, as before
    }
    struct sigaction action {};
    action.sa_handler = OnSessionEndSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signalNumber : kSessionEndSignals) {
        ::sigaction(signalNumber, &action, nullptr);
    }
}

void MarkSettingsRead() {
    settingsRead.store(true);
}

SessionEndWatcher::SessionEndWatcher(std::function<void()> sessionEnds)
    : sessionEnds_(std::move(sessionEnds)) {
    if (wakeFds[0] >= 0) {
        notifier_ = new QSocketNotifier(wakeFds[0], QSocketNotifier::Read, this);
        connect(notifier_, &QSocketNotifier::activated, this, [this] {
            char drained[64];
            while (::read(wakeFds[0], drained, sizeof drained) > 0) {
            }
            Take();
        });
    }
    // The session manager asks before logout; closing saves what the next session resumes.
    connect(qApp, &QGuiApplication::commitDataRequest, this, [this](QSessionManager&) { Take(); });
}

SessionEndWatcher::~SessionEndWatcher() = default;

void SessionEndWatcher::Take() {
    if (started_) {
        return;
    }
    started_ = true;
    sessionEnds_();
}
