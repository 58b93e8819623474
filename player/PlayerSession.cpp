// SPDX-License-Identifier: GPL-2.0-or-later
#include "player/PlayerSession.h"

#include "app/HandlerGuard.h"
#include "player/BusNameClaim.h"
#include "player/HandOverGate.h"
#include "player/HandlerDispatcher.h"
#include "player/MprisService.h"
#include "player/TfrmMain.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusReply>
#include <utility>

namespace {

// The private hand-over call, answered on the session's own thread.
class HandOverReceiver : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.tarnwick.HandOver")

public:
    explicit HandOverReceiver(std::shared_ptr<HandOverGate> gate) : gate_(std::move(gate)) {}

public slots:
    // True when the file is taken (see HandOverGate::Open).
    bool Open(const QString& uri, qlonglong deadline) {
        const QByteArray bytes = uri.toUtf8();
        return gate_->Open(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())),
                           deadline);
    }

private:
    const std::shared_ptr<HandOverGate> gate_;
};

} // namespace

PlayerSession::PlayerSession() : gate_(std::make_shared<HandOverGate>()) {
    thread_.setObjectName(QStringLiteral("hand-over"));
    DeliverHere();
}

PlayerSession::~PlayerSession() {
    // The gate may outlive the session (a claim's connection holds it too): once refused, it posts
    // nothing more here.
    Release();
    if (receiver_ != nullptr) {
        receiver_->deleteLater();
    }
    thread_.quit();
    thread_.wait();
}

void PlayerSession::DeliverHere() {
    // Posted to the user-interface thread while the gate holds its lock, ahead of anything a close of
    // the window could refuse after it.
    gate_->DeliverTo([this](const std::string& path) {
        QMetaObject::invokeMethod(
            this, [this, path] { Received(path); }, Qt::QueuedConnection);
    });
}

bool PlayerSession::Serve(QDBusConnection& bus) {
    auto* receiver = new HandOverReceiver(gate_);
    receiver->moveToThread(&thread_);
    thread_.start();
    receiver_ = receiver;
    return bus.registerObject(QString::fromLatin1(HandOverPath), receiver, QDBusConnection::ExportAllSlots);
}

bool PlayerSession::Claim() {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !Serve(bus)) {
        return false;
    }
    const QDBusReply<QDBusConnectionInterface::RegisterServiceReply> reply = bus.interface()->registerService(
        QString::fromLatin1(MprisService::ServiceName), QDBusConnectionInterface::DontQueueService,
        QDBusConnectionInterface::DontAllowReplacement);
    owner_ = reply.isValid() && reply.value() == QDBusConnectionInterface::ServiceRegistered;
    if (!owner_) {
        // Files are handed to the owner only.
        bus.unregisterObject(QString::fromLatin1(HandOverPath));
    }
    return owner_;
}

bool PlayerSession::TakeOver(BusNameClaim& claim) {
    gate_ = claim.Gate();
    DeliverHere();
    QDBusConnection bus = QDBusConnection::sessionBus();
    const bool served = bus.isConnected() && Serve(bus);
    const QString name = QString::fromLatin1(MprisService::ServiceName);
    const QDBusReply<QDBusConnectionInterface::RegisterServiceReply> queued =
        served ? bus.interface()->registerService(name, QDBusConnectionInterface::QueueService,
                                                  QDBusConnectionInterface::DontAllowReplacement)
               : QDBusReply<QDBusConnectionInterface::RegisterServiceReply>();
    // Given up whatever the answer: a connection that could not queue cannot serve the name either,
    // and this start then plays as a player of its own.
    claim.Release();
    const QDBusReply<QString> owner =
        served && queued.isValid() ? bus.interface()->serviceOwner(name) : QDBusReply<QString>();
    owner_ = owner.isValid() && owner.value() == bus.baseService();
    if (served && !owner_) {
        if (queued.isValid()) {
            bus.unregisterService(name);
        }
        bus.unregisterObject(QString::fromLatin1(HandOverPath));
    }
    return owner_;
}

void PlayerSession::Attach(TfrmMain& form) {
    form_ = &form;
    // Once the window has closed, a file handed over would never play, and the start that handed it
    // would end believing it does: this player gives up its name, and a new start plays the file
    // itself.
    connect(&form, &TfrmMain::Closed, this, &PlayerSession::Release);
    connect(&form, &QObject::destroyed, this, [this] {
        form_ = nullptr;
        Release();
    });
    if (!waiting_.empty()) {
        Received(std::exchange(waiting_, {}));
    }
}

void PlayerSession::Received(const std::string& path) {
    if (form_ == nullptr) {
        // Only the last counts: each file handed over replaces the one before.
        waiting_ = path;
        return;
    }
    TfrmMain& form = *form_;
    if (form.PlayerObject() == nullptr) {
        return;
    }
    form.Dispatcher().Arrive(Arrival::HandOver, [&form, path] {
        // Handed over before the window's start, the file came after the one this player was started
        // with (it claimed the name first), and after its resume: it opens in their place.
        RunHandler([&form, path] {
            if (form.StartedUp()) {
                form.OpenPath(path);
            } else {
                form.StartPath = path;
            }
        });
        form.setWindowState(form.windowState() & ~Qt::WindowMinimized);
        form.raise();
        form.activateWindow();
    });
}

void PlayerSession::Release() {
    if (released_) {
        return;
    }
    released_ = true;
    gate_->Refuse();
    if (receiver_ == nullptr) {
        return;
    }
    QDBusConnection bus = QDBusConnection::sessionBus();
    bus.unregisterObject(QString::fromLatin1(HandOverPath));
    if (owner_) {
        bus.unregisterService(QString::fromLatin1(MprisService::ServiceName));
    }
}

#include "PlayerSession.moc"
