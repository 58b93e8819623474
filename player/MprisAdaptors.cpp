#include "player/MprisAdaptors.h"

#include "app/TAction.h"
#include "app/TfrmMain.h"
#include "graph/Halvion.h"
#include "player/FileUri.h"
#include "player/MimeTypes.h"
#include "player/MprisService.h"

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

void MprisPlayerAdaptor::Seek(qlonglong Offset) {
    service_.Later([this, Offset] {
        THalvion& player = *service_.Form().PlayerObject();
        // Whole seconds are what the skip buttons give; a finer offset goes to the position itself.
        if (Offset % 1'000'000 == 0) {
            player.SkipSeconds(Offset / 1'000'000);
        } else {
            player.SetPosition(player.GetPosition() + Offset * 10);
        }
        service_.AnnounceSeek();
    });
}

void MprisPlayerAdaptor::SetPosition(const QDBusObjectPath& TrackId, qlonglong Position) {
    const QString track = TrackId.path();
    service_.Later([this, track, Position] {
        THalvion& player = *service_.Form().PlayerObject();
        // A position meant for another file, or outside this one, is let go.
        if (track != service_.TrackId() || Position < 0 || Position * 10 > player.GetLength()) {
            return;
        }
        player.SetPosition(Position * 10);
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
