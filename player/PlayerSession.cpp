// SPDX-License-Identifier: GPL-2.0-or-later
#include "player/PlayerSession.h"

#include "app/HandlerGuard.h"
#include "player/FileUri.h"
#include "player/HandlerDispatcher.h"
#include "player/MprisService.h"
#include "player/TfrmMain.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusReply>
#include <chrono>
#include <mutex>
#include <utility>

namespace {

// Long enough for a player that is busy but alive: its receiving thread answers at once when it
// runs, but a player that is itself still starting shares the machine with the other starts (four
// starts under the sanitizers took over 2 s to answer). Short enough that a user whose player hangs
// is not kept waiting long for a window.
constexpr std::chrono::milliseconds kHandOverDeadline{5000};
// The answer to a call read just before the deadline is still on its way for a moment.
constexpr std::chrono::milliseconds kAnswerMargin{1000};

qlonglong MonotonicNanoseconds() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// The private hand-over call, answered on the session's own thread.
class HandOverReceiver : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.tarnwick.HandOver")

public slots:
    // True when the file is taken: the URI names a local file, the deadline has not passed, and the
    // window has not closed.
    bool Open(const QString& uri, qlonglong deadline) {
        // Held until the file is on its way, so that a close cannot come between the yes and the file.
        const std::lock_guard lock(mutex_);
        if (refusing_ || MonotonicNanoseconds() > deadline) {
            return false;
        }
        const QByteArray bytes = uri.toUtf8();
        const std::optional<std::string> path =
            LocalPathOfFileUri(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
        if (!path) {
            return false;
        }
        emit Received(QByteArray::fromStdString(*path));
        return true;
    }

    // From the user-interface thread: every later call is refused. A call answered before this has
    // its file posted already, ahead of whatever the window takes after its close.
    void Refuse() {
        const std::lock_guard lock(mutex_);
        refusing_ = true;
    }

signals:
    void Received(const QByteArray& path);

private:
    std::mutex mutex_;
    bool refusing_ = false;
};

} // namespace

PlayerSession::PlayerSession() {
    thread_.setObjectName(QStringLiteral("hand-over"));
}

PlayerSession::~PlayerSession() {
    if (receiver_ != nullptr) {
        Release();
        receiver_->deleteLater();
    }
    thread_.quit();
    thread_.wait();
}

bool PlayerSession::Claim() {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        return false;
    }
    auto* receiver = new HandOverReceiver;
    receiver->moveToThread(&thread_);
    connect(receiver, &HandOverReceiver::Received, this,
            [this](const QByteArray& path) { Received(path.toStdString()); });
    thread_.start();
    receiver_ = receiver;
    if (!bus.registerObject(QString::fromLatin1(HandOverPath), receiver, QDBusConnection::ExportAllSlots)) {
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
        RunHandler([&form, path] { form.OpenPath(path); });
        form.setWindowState(form.windowState() & ~Qt::WindowMinimized);
        form.raise();
        form.activateWindow();
    });
}

void PlayerSession::Release() {
    if (receiver_ == nullptr || released_) {
        return;
    }
    released_ = true;
    static_cast<HandOverReceiver*>(receiver_)->Refuse();
    QDBusConnection bus = QDBusConnection::sessionBus();
    bus.unregisterObject(QString::fromLatin1(HandOverPath));
    if (owner_) {
        bus.unregisterService(QString::fromLatin1(MprisService::ServiceName));
    }
}

bool HandOverToRunningPlayer(const std::string& path) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        return false;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(
        QString::fromLatin1(MprisService::ServiceName), QString::fromLatin1(PlayerSession::HandOverPath),
        QString::fromLatin1(PlayerSession::HandOverInterface), QStringLiteral("Open"));
    const qlonglong deadline =
        MonotonicNanoseconds() +
        std::chrono::duration_cast<std::chrono::nanoseconds>(kHandOverDeadline).count();
    call.setArguments({QString::fromLatin1(FileUriOfPath(path)), deadline});
    const QDBusMessage reply =
        bus.call(call, QDBus::Block, static_cast<int>((kHandOverDeadline + kAnswerMargin).count()));
    return reply.type() == QDBusMessage::ReplyMessage && reply.arguments().size() == 1 &&
           reply.arguments().front().toBool();
}

#include "PlayerSession.moc"
