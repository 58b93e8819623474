#pragma once

#include <QObject>
#include <QString>
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
    static constexpr const char* ServiceName = "org.mpris.MediaPlayer2.tarnwick";
    static constexpr const char* ObjectPath = "/org/mpris/MediaPlayer2";

    explicit MprisService(TfrmMain& form);

    // Takes the player's name on the session bus (a second running player takes a name of its own);
    // false when there is no session bus, and the program runs on without.
    bool Register();

    TfrmMain& Form() { return form_; }
    // Runs the action through the error box guard once the current call has been answered, then
    // tells the bus what it changed.
    void Later(std::function<void()> action);

    QString PlaybackStatus() const;
    QVariantMap Metadata() const;
    qint64 PositionMicroseconds() const;
    // The object path naming the open file, which SetPosition has to be given back.
    QString TrackId() const;

    // The player adaptor's Seeked signal, raised after a seek with the position reached.
    void AnnounceSeek();

signals:
    void Seeked(qlonglong position);

private:
    // The status and the file change from inside the window too (the end of a file steps on), so they
    // are watched rather than announced by each road that changes them.
    void Watch();

    TfrmMain& form_;
    QString announcedStatus_;
    std::string announcedFile_;
    int trackNumber_ = 0;
};
