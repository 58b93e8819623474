// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "player/HandOverGate.h"

#include <memory>
#include <string>

typedef struct _GDBusConnection GDBusConnection;

// The player's name asked for by a start with a file before its application exists, on a session
// bus connection of GLib's own: the answer decides whether the start plays (and may start the media
// libraries at once) or only hands its file over and ends, which it then does on this connection too,
// without ever making the application.
//
// An owner answers hand-over calls here from the moment it owns the name, on the connection's own
// thread, and passes the files through the gate it shares with PlayerSession. The application's
// connection takes the name over later without a moment in which nobody owns it (see
// PlayerSession::TakeOver).
class BusNameClaim {
public:
    enum class Result {
        Owner, // this start is the session's player
        Taken, // another start owns the name
        NoBus, // there is no session bus, or it did not answer
    };

    BusNameClaim();
    ~BusNameClaim();
    BusNameClaim(const BusNameClaim&) = delete;
    BusNameClaim& operator=(const BusNameClaim&) = delete;

    // Makes files receivable, then asks for the player's name without queueing.
    Result Claim();
    bool Owner() const { return owner_; }
    const std::shared_ptr<HandOverGate>& Gate() const { return gate_; }

    // Hands the file to the session's player. True when it took the file; false when it refused it,
    // did not answer in time, or none runs: then this start plays the file itself.
    bool HandOver(const std::string& path);

    // Gives the name up and closes the connection. A connection queued for the name owns it at the
    // same moment; every call that reached this one before has been answered when this returns.
    void Release();

private:
    GDBusConnection* connection_ = nullptr;
    std::shared_ptr<HandOverGate> gate_ = std::make_shared<HandOverGate>();
    unsigned filter_ = 0;
    bool owner_ = false;
};
