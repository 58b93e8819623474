// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "player/PlayerBusNames.h"

#include <QObject>
#include <QString>
#include <QThread>
#include <memory>
#include <string>

class BusNameClaim;
class QDBusConnection;
class HandOverGate;
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
// and the file plays once, there. (HandOverGate holds these rules, BusNameClaim::HandOver the call.)
//
// A start with a file asks for the name before its application exists (see BusNameClaim), so that
// it knows at once whether it plays; the application's connection takes the name over from it.
class PlayerSession : public QObject {
    Q_OBJECT

public:
    static constexpr const char* HandOverPath = PlayerBus::HandOverPath;
    static constexpr const char* HandOverInterface = PlayerBus::HandOverInterface;

    PlayerSession();
    ~PlayerSession() override;
    PlayerSession(const PlayerSession&) = delete;
    PlayerSession& operator=(const PlayerSession&) = delete;

    // Makes files receivable, then asks for the player's name. True when this start is the
    // session's player; false when another owns the name, or there is no session bus.
    bool Claim();
    // Makes files receivable here too, then takes the player's name over from the claim this start
    // made before its application existed, with the files handed to that one meanwhile: the
    // application's connection queues for the name, and the claim gives it up, so that the bus makes
    // the queued connection the owner in the same step. True when this start is the session's player.
    bool TakeOver(BusNameClaim& claim);
    bool Owner() const { return owner_; }

    // Gives the window the file last handed over before it existed, and every later one, each
    // replacing the file that plays.
    void Attach(TfrmMain& form);

private:
    // Files the gate takes come to Received, on the user-interface thread.
    void DeliverHere();
    // Serves the hand-over call on the connection, answered through the gate.
    bool Serve(QDBusConnection& bus);
    void Received(const std::string& path);
    // Refuses every later file and gives the player's name up.
    void Release();

    QThread thread_;
    std::shared_ptr<HandOverGate> gate_;
    QObject* receiver_ = nullptr;
    bool owner_ = false;
    bool released_ = false;
    TfrmMain* form_ = nullptr;
    std::string waiting_;
};
