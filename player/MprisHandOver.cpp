#include "player/MprisHandOver.h"

#include "player/FileUri.h"
#include "player/MprisService.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>

namespace {

// A running player answers at once (it opens the file after replying); one that hangs is not waited
// for long, and this start plays the file itself.
constexpr int kAnswerTimeoutMs = 3000;

bool Call(QDBusConnection& bus, const char* interface, const char* method, const QVariantList& arguments) {
    QDBusMessage call = QDBusMessage::createMethodCall(
        QString::fromLatin1(MprisService::ServiceName), QString::fromLatin1(MprisService::ObjectPath),
        QString::fromLatin1(interface), QString::fromLatin1(method));
    call.setArguments(arguments);
    return bus.call(call, QDBus::Block, kAnswerTimeoutMs).type() == QDBusMessage::ReplyMessage;
}

} // namespace

bool HandOverToRunningPlayer(const std::string& path) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() ||
        !bus.interface()->isServiceRegistered(QString::fromLatin1(MprisService::ServiceName))) {
        return false;
    }
    if (!Call(bus, "org.mpris.MediaPlayer2.Player", "OpenUri", {QString::fromLatin1(FileUriOfPath(path))})) {
        return false;
    }
    Call(bus, "org.mpris.MediaPlayer2", "Raise", {});
    return true;
}
