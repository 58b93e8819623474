// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QObject>
#include <QString>
#include <QThread>
#include <string>

class TfrmMain;

// One player per session: files opened from the desktop (a file manager's "Open With" on several
// files starts one process per file, all at once) go to one window.
//
// Whether a player runs and becoming the player are one step, taken by the bus daemon: a start asks
// for the player's name without queueing, and exactly one start gets it. Every other start hands its
// file to the owner over a private call and ends. The owner can take files from the moment it owns
// the name, before its window exists, because the call is answered on a thread of its own: a start
// that lost the race never waits for the winner's window.
//
// A call cannot be taken back once sent, and a player that does not answer (stopped, or hung) would
// still find it queued when it runs again. So each call carries a deadline on the machine's
// monotonic clock, and a player that reads it after the deadline refuses it. The start waits a little
// past the deadline for the answer: refused or unanswered, it opens the file in a window of its own,
// and the file plays once, there.
class PlayerSession : public QObject {
    Q_OBJECT

public:
    static constexpr const char* HandOverPath = "/org/tarnwick/HandOver";
    static constexpr const char* HandOverInterface = "org.tarnwick.HandOver";

    PlayerSession();
    ~PlayerSession() override;
    PlayerSession(const PlayerSession&) = delete;
    PlayerSession& operator=(const PlayerSession&) = delete;

    // Makes files receivable, then asks for the player's name. True when this start is the
    // session's player; false when another owns the name, or there is no session bus.
    bool Claim();
    bool Owner() const { return owner_; }

    // Gives the window the file last handed over before it existed, and every later one, each
    // replacing the file that plays.
    void Attach(TfrmMain& form);

private:
    void Received(const std::string& path);
    // Refuses every later file and gives the player's name up.
    void Release();

    QThread thread_;
    QObject* receiver_ = nullptr;
    bool owner_ = false;
    bool released_ = false;
    TfrmMain* form_ = nullptr;
    std::string waiting_;
};

// Hands the file to the session's player. True when it took the file; false when it refused it, did
// not answer in time, or none runs: then this start plays the file itself.
bool HandOverToRunningPlayer(const std::string& path);
