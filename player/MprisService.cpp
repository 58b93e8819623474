// SPDX-License-Identifier: GPL-2.0-or-later
#include "player/MprisService.h"

#include "app/HandlerGuard.h"
#include "graph/Halvion.h"
#include "player/FileUri.h"
#include "player/HandlerDispatcher.h"
#include "player/MprisAdaptors.h"
#include "player/TfrmMain.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QTimer>
#include <unistd.h>

namespace {

constexpr qint64 kSeekedInterval = 500;
constexpr const char* kPlayerInterface = "org.mpris.MediaPlayer2.Player";

} // namespace

MprisService::MprisService(TfrmMain& form) : QObject(&form), form_(form) {}

bool MprisService::Register(bool ownsName) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        return false;
    }
    // The window says what changes, whichever road changed it (a button, a media key, the end of a
    // file stepping on). Clients hear of it once the handler that changed it is over: the next file
    // stops the last one before it plays, and a client is told it plays, not that it stopped first.
    // A timer waits for that, and for the end of a graph's wait, in which no timer fires.
    announcement_.setSingleShot(true);
    announcement_.setInterval(0);
    connect(&announcement_, &QTimer::timeout, this, &MprisService::AnnounceChanges);
    connect(&form_, &TfrmMain::FileOpened, this, [this] {
        ++trackNumber_;
        announcement_.start();
    });
    connect(&form_, &TfrmMain::PlaybackChanged, &announcement_, qOverload<>(&QTimer::start));
    connect(&form_, &TfrmMain::PositionJumped, this, &MprisService::AnnounceSeek);
    auto* player = new MprisPlayerAdaptor(*this);
    connect(this, &MprisService::Seeked, player, &MprisPlayerAdaptor::Seeked);
    new MprisRootAdaptor(*this);
    if (!bus.registerObject(QString::fromLatin1(ObjectPath), this)) {
        return false;
    }
    // A second player started without a file runs beside the first; the desktop tells them apart by
    // the instance suffix the MPRIS naming rules provide for this.
    if (!ownsName && !bus.registerService(
                         QStringLiteral("%1.instance%2").arg(QLatin1String(ServiceName)).arg(::getpid()))) {
        bus.unregisterObject(QString::fromLatin1(ObjectPath));
        return false;
    }
    announcedStatus_ = PlaybackStatus();
    announcedTrack_ = trackNumber_;
    return true;
}

void MprisService::Later(std::function<void()> action) {
    QTimer::singleShot(0, this, [this, action = std::move(action)] {
        // A call that arrives while the window is closing finds the playback object already gone.
        if (form_.PlayerObject() == nullptr) {
            return;
        }
        form_.Dispatcher().Arrive(Arrival::MprisCall, [this, action] { RunHandler(action); });
    });
}

QString MprisService::PlaybackStatus() const {
    const THalvion* player = form_.PlayerObject();
    if (player == nullptr || !player->Playing) {
        return QStringLiteral("Stopped");
    }
    return player->Paused ? QStringLiteral("Paused") : QStringLiteral("Playing");
}

QString MprisService::TrackId() const {
    return QStringLiteral("/org/tarnwick/Track/%1").arg(trackNumber_);
}

// The reads follow the dispatcher's rule for Arrival::MprisRead: answered at once, from the graph,
// whose reads never seek nor wait, during its own waits included.
QVariantMap MprisService::Metadata() const {
    THalvion* player = form_.PlayerObject();
    if (player == nullptr || player->CurrentFileName().empty()) {
        return {{QStringLiteral("mpris:trackid"), QVariant::fromValue(QDBusObjectPath(QStringLiteral(
                                                      "/org/mpris/MediaPlayer2/TrackList/NoTrack")))}};
    }
    const std::string& path = player->CurrentFileName();
    const std::string name = path.substr(path.rfind('/') + 1);
    return {
        {QStringLiteral("mpris:trackid"), QVariant::fromValue(QDBusObjectPath(TrackId()))},
        {QStringLiteral("mpris:length"), QVariant::fromValue<qlonglong>(player->GetLength() / 10)},
        {QStringLiteral("xesam:url"), QString::fromLatin1(FileUriOfPath(path))},
        {QStringLiteral("xesam:title"), QString::fromUtf8(name)},
    };
}

qint64 MprisService::PositionMicroseconds() const {
    THalvion* player = form_.PlayerObject();
    return player == nullptr ? 0 : player->GetPosition() / 10;
}

double MprisService::Volume() const {
    THalvion* player = form_.PlayerObject();
    return player == nullptr ? 1.0 : player->GetVolume();
}

void MprisService::AnnounceSeek() {
    // A file opened just before the jump (the resume opens, then seeks) is told first: a client
    // that learns of a new track afterwards takes its position to be the start.
    AnnounceChanges();
    if (seekPending_) {
        return;
    }
    if (!sinceSeeked_.isValid() || sinceSeeked_.elapsed() >= kSeekedInterval) {
        SendSeeked();
        return;
    }
    seekPending_ = true;
    QTimer::singleShot(kSeekedInterval - sinceSeeked_.elapsed(), this, [this] {
        seekPending_ = false;
        SendSeeked();
    });
}

void MprisService::SendSeeked() {
    sinceSeeked_.start();
    emit Seeked(PositionMicroseconds());
}

void MprisService::AnnounceChange(const QString& property, const QVariant& value) {
    QDBusMessage signal = QDBusMessage::createSignal(QString::fromLatin1(ObjectPath),
                                                     QStringLiteral("org.freedesktop.DBus.Properties"),
                                                     QStringLiteral("PropertiesChanged"));
    signal << QString::fromLatin1(kPlayerInterface) << QVariantMap{{property, value}} << QStringList();
    QDBusConnection::sessionBus().send(signal);
}

void MprisService::AnnounceChanges() {
    const QString status = PlaybackStatus();
    QVariantMap changed;
    if (trackNumber_ != announcedTrack_) {
        announcedTrack_ = trackNumber_;
        changed.insert(QStringLiteral("Metadata"), Metadata());
    }
    if (status != announcedStatus_) {
        announcedStatus_ = status;
        changed.insert(QStringLiteral("PlaybackStatus"), status);
    }
    if (changed.isEmpty()) {
        return;
    }
    QDBusMessage signal = QDBusMessage::createSignal(QString::fromLatin1(ObjectPath),
                                                     QStringLiteral("org.freedesktop.DBus.Properties"),
                                                     QStringLiteral("PropertiesChanged"));
    signal << QString::fromLatin1(kPlayerInterface) << changed << QStringList();
    QDBusConnection::sessionBus().send(signal);
}
