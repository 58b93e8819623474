// SPDX-License-Identifier: GPL-2.0-or-later
#include "player/MprisAdaptors.h"

#include "app/TAction.h"
#include "graph/Halvion.h"
#include "player/FileUri.h"
#include "player/MimeTypes.h"
#include "player/MprisService.h"
#include "player/MprisTime.h"
#include "player/TfrmMain.h"

#include <cmath>

MprisRootAdaptor::MprisRootAdaptor(MprisService& service)
    : QDBusAbstractAdaptor(&service), service_(service) {}

QStringList MprisRootAdaptor::SupportedMimeTypes() const {
    // The desktop entry's list, taken from it when the program is built.
    return QString::fromLatin1(TARNWICK_MIME_TYPES).split(u';', Qt::SkipEmptyParts);
}

void MprisRootAdaptor::Raise() {
    service_.Later([this] {
        TfrmMain& form = service_.Form();
        form.setWindowState(form.windowState() & ~Qt::WindowMinimized);
        form.show();
        form.raise();
        form.activateWindow();
    });
}

void MprisRootAdaptor::Quit() {
    service_.Later([this] { service_.Form().ActionExit->Execute(); });
}

MprisPlayerAdaptor::MprisPlayerAdaptor(MprisService& service)
    : QDBusAbstractAdaptor(&service), service_(service) {
    setAutoRelaySignals(false);
}

QString MprisPlayerAdaptor::PlaybackStatus() const {
    return service_.PlaybackStatus();
}

QVariantMap MprisPlayerAdaptor::Metadata() const {
    return service_.Metadata();
}

qlonglong MprisPlayerAdaptor::Position() const {
    return service_.PositionMicroseconds();
}

void MprisPlayerAdaptor::Next() {
    service_.Later([this] { service_.Form().ActionNext->Execute(); });
}

void MprisPlayerAdaptor::Previous() {
    service_.Later([this] { service_.Form().ActionPrev->Execute(); });
}

void MprisPlayerAdaptor::Pause() {
    // Pausing what is already paused or stopped changes nothing; the Pause button would toggle.
    service_.Later([this] {
        if (service_.PlaybackStatus() == QLatin1String("Playing")) {
            service_.Form().ActionPause->Execute();
        }
    });
}

void MprisPlayerAdaptor::PlayPause() {
    // While a file plays or stands paused the Pause button toggles it; otherwise Play starts the
    // selected file.
    service_.Later([this] {
        TfrmMain& form = service_.Form();
        (form.PlayerObject()->Playing ? form.ActionPause : form.ActionPlay)->Execute();
    });
}

void MprisPlayerAdaptor::Stop() {
    service_.Later([this] { service_.Form().ActionStop->Execute(); });
}

void MprisPlayerAdaptor::Play() {
    service_.Later([this] { service_.Form().ActionPlay->Execute(); });
}

void MprisPlayerAdaptor::SetRate(double rate) {
    if (rate == 0.0) {
        Pause();
    }
}

double MprisPlayerAdaptor::Volume() const {
    return service_.Volume();
}

void MprisPlayerAdaptor::SetVolume(double volume) {
    // MPRIS allows values above 1 (amplification); the desktop's stream volume here stops at full.
    if (std::isnan(volume)) {
        return;
    }
    service_.Later([this, volume] {
        THalvion& player = *service_.Form().PlayerObject();
        player.SetVolume(volume);
        service_.AnnounceChange(QStringLiteral("Volume"), player.GetVolume());
    });
}

void MprisPlayerAdaptor::Seek(qlonglong Offset) {
    service_.Later([this, Offset] {
        THalvion& player = *service_.Form().PlayerObject();
        const std::optional<MediaTime> target = SeekTarget(player.GetPosition(), player.GetLength(), Offset);
        // Past the end is the next file, as the list would step on there.
        if (!target) {
            service_.Form().ActionNext->Execute();
            return;
        }
        player.SetPosition(*target);
        service_.AnnounceSeek();
    });
}

void MprisPlayerAdaptor::SetPosition(const QDBusObjectPath& TrackId, qlonglong Position) {
    const QString track = TrackId.path();
    service_.Later([this, track, Position] {
        THalvion& player = *service_.Form().PlayerObject();
        const std::optional<MediaTime> target = SetPositionTarget(player.GetLength(), Position);
        // A position meant for another file, or outside this one, is let go.
        if (track != service_.TrackId() || !target) {
            return;
        }
        player.SetPosition(*target);
        service_.AnnounceSeek();
    });
}

void MprisPlayerAdaptor::OpenUri(const QString& Uri) {
    const QByteArray uri = Uri.toUtf8();
    const std::optional<std::string> path = LocalPathOfFileUri(std::string_view(uri.constData(), uri.size()));
    if (!path) {
        return;
    }
    service_.Later([this, path = *path] { service_.Form().OpenPath(path); });
}
