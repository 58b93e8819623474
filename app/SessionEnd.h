// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QObject>
#include <functional>

class QSocketNotifier;

// The ways a desktop ends a program besides its window's close button: SIGTERM (logout, shutdown,
// kill), SIGINT (Ctrl+C in its terminal), SIGHUP (its terminal closed), and the session manager's
// request to save before logout. Each closes the window as the close button does, so the place to
// resume is saved as at any other shutdown.

// Catches the three signals. Called at the top of main, before any thread starts, so that every
// thread inherits the handling. Until MarkSettingsRead, a signal ends the program at once, as it did
// by default: a shutdown then would write defaults over the stored place.
void InstallSessionEndSignals();

// The stored settings have been read: from now on a signal closes the window.
void MarkSettingsRead();

// Turns the signals, once caught, and the logout request into the session's end, taken from the event
// loop: the window's dispatcher closes any box that is open, since nobody will answer it and the
// session kills a program that does not end, and closes the window once the handler that opened the
// box has returned. A second one during the shutdown changes nothing.
class SessionEndWatcher : public QObject {
public:
    explicit SessionEndWatcher(std::function<void()> sessionEnds);
    ~SessionEndWatcher() override;
    SessionEndWatcher(const SessionEndWatcher&) = delete;
    SessionEndWatcher& operator=(const SessionEndWatcher&) = delete;

    // Whether the session's end has started the shutdown.
    bool Started() const { return started_; }

private:
    void Take();

    std::function<void()> sessionEnds_;
    QSocketNotifier* notifier_ = nullptr;
    bool started_ = false;
};
