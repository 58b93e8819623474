// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QDBusAbstractAdaptor>
#include <QDBusObjectPath>
#include <QStringList>
#include <QVariantMap>

class MprisService;

// org.mpris.MediaPlayer2: who the player is, and the window itself.
class MprisRootAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2")
    Q_PROPERTY(bool CanQuit READ CanQuit)
    Q_PROPERTY(bool CanRaise READ CanRaise)
    Q_PROPERTY(bool HasTrackList READ HasTrackList)
    Q_PROPERTY(QString Identity READ Identity)
    Q_PROPERTY(QString DesktopEntry READ DesktopEntry)
    Q_PROPERTY(QStringList SupportedUriSchemes READ SupportedUriSchemes)
    Q_PROPERTY(QStringList SupportedMimeTypes READ SupportedMimeTypes)

public:
    explicit MprisRootAdaptor(MprisService& service);

    bool CanQuit() const { return true; }
    bool CanRaise() const { return true; }
    bool HasTrackList() const { return false; }
    QString Identity() const { return QStringLiteral("Tarnwick"); }
    QString DesktopEntry() const { return QStringLiteral("tarnwick"); }
    QStringList SupportedUriSchemes() const { return {QStringLiteral("file")}; }
    QStringList SupportedMimeTypes() const;

public slots:
    void Raise();
    void Quit();

private:
    MprisService& service_;
};

// org.mpris.MediaPlayer2.Player: the transport, each method the toolbar's action of the same meaning.
// No command of the window is ever disabled, so every Can* is true.
class MprisPlayerAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2.Player")
    Q_PROPERTY(QString PlaybackStatus READ PlaybackStatus)
    Q_PROPERTY(QString LoopStatus READ LoopStatus WRITE SetLoopStatus)
    Q_PROPERTY(double Rate READ Rate WRITE SetRate)
    Q_PROPERTY(double MinimumRate READ Rate)
    Q_PROPERTY(double MaximumRate READ Rate)
    Q_PROPERTY(QVariantMap Metadata READ Metadata)
    Q_PROPERTY(double Volume READ Volume WRITE SetVolume)
    Q_PROPERTY(qlonglong Position READ Position)
    Q_PROPERTY(bool CanGoNext READ Can)
    Q_PROPERTY(bool CanGoPrevious READ Can)
    Q_PROPERTY(bool CanPlay READ Can)
    Q_PROPERTY(bool CanPause READ Can)
    Q_PROPERTY(bool CanSeek READ Can)
    Q_PROPERTY(bool CanControl READ Can)

public:
    explicit MprisPlayerAdaptor(MprisService& service);

    QString PlaybackStatus() const;
    QVariantMap Metadata() const;
    qlonglong Position() const;
    // The list plays round without end, so it loops as a whole; there is no other way to play it.
    QString LoopStatus() const { return QStringLiteral("Playlist"); }
    void SetLoopStatus(const QString&) {}
    // The player plays at its one speed. A rate of 0 is a pause, as MPRIS asks; others are let go.
    double Rate() const { return 1.0; }
    void SetRate(double rate);
    // The computer's sound volume, through the standard sound renderer.
    double Volume() const;
    void SetVolume(double volume);
    bool Can() const { return true; }

public slots:
    void Next();
    void Previous();
    void Pause();
    void PlayPause();
    void Stop();
    void Play();
    void Seek(qlonglong Offset);
    void SetPosition(const QDBusObjectPath& TrackId, qlonglong Position);
    void OpenUri(const QString& Uri);

signals:
    void Seeked(qlonglong Position);

private:
    MprisService& service_;
};
