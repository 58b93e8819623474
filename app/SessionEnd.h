// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QObject>
#include <QTimer>

class QSocketNotifier;
class QWidget;

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

// Turns the signals, once caught, and the logout request into a close of the window, taken from the
// event loop. One that comes while a modal box is open waits for the box to close, since the box's
// own loop would otherwise close the window under it; a second one during the shutdown changes
// nothing. The shutdown it starts reports errors on standard error, not in a box nobody will answer.
class SessionEndWatcher : public QObject {
public:
    explicit SessionEndWatcher(QWidget& window);
    ~SessionEndWatcher() override;
    SessionEndWatcher(const SessionEndWatcher&) = delete;
    SessionEndWatcher& operator=(const SessionEndWatcher&) = delete;

    // Whether the session's end has started the shutdown.
    bool Started() const { return started_; }

private:
    void Take();

    QWidget& window_;
    QSocketNotifier* notifier_ = nullptr;
    QTimer retry_;
    bool started_ = false;
};
