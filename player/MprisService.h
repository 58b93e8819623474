// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "player/PlayerBusNames.h"

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>
#include <QVariantMap>
#include <functional>
#include <string>

class TfrmMain;

// The program on the session bus as an MPRIS 2 media player, so that media keys, panel widgets and
// "Open With" on a running player reach it. Every method is one of the window's own actions, run from
// the event loop after the call has been answered: an action may build a graph or open an error
// box, and the caller must not wait on either.
class MprisService : public QObject {
    Q_OBJECT

public:
    static constexpr const char* ServiceName = PlayerBus::Name;
    static constexpr const char* ObjectPath = "/org/mpris/MediaPlayer2";

    explicit MprisService(TfrmMain& form);

    // Serves the player's object on the session bus, under the player's name when this start owns it
    // (see PlayerSession), else under a name of its own; false when there is no session bus, and the
    // program runs on without.
    bool Register(bool ownsName);

    TfrmMain& Form() { return form_; }
    // Runs the action through the window's dispatcher once the current call has been answered, then
    // tells the bus what it changed.
    void Later(std::function<void()> action);

    QString PlaybackStatus() const;
    QVariantMap Metadata() const;
    qint64 PositionMicroseconds() const;
    // The computer's sound volume for the player's stream, 0 to 1.
    double Volume() const;
    // The object path naming the open file, which SetPosition has to be given back.
    QString TrackId() const;

    // The player adaptor's Seeked signal, raised after a jump within the open file with the position
    // reached. A seek bar dragged by its thumb jumps at every move, and panel widgets need no more
    // than the timer's pace: one signal at most per 500 ms, the last carrying where the jumps ended.
    void AnnounceSeek();
    // Tells the bus a property of the player's has a new value.
    void AnnounceChange(const QString& property, const QVariant& value);

signals:
    void Seeked(qlonglong position);

private:
    // Tells clients the status and the track, where they changed since last told.
    void AnnounceChanges();

    void SendSeeked();

    TfrmMain& form_;
    QTimer announcement_;
    QString announcedStatus_;
    // Every opening of a file is a new track to clients, the same file opened again included.
    int trackNumber_ = 0;
    int announcedTrack_ = 0;
    QElapsedTimer sinceSeeked_;
    bool seekPending_ = false;
};
