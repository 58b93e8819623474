// SPDX-License-Identifier: GPL-2.0-or-later
#include "player/BusNameClaim.h"

#include "player/FileUri.h"
#include "player/PlayerBusNames.h"

#include <cstring>
#include <gio/gio.h>

namespace {

constexpr const char* kBus = "org.freedesktop.DBus";
constexpr const char* kBusPath = "/org/freedesktop/DBus";
// The bus daemon's answer to RequestName when the caller has become the name's owner.
constexpr guint32 kPrimaryOwner = 1;

bool Is(const char* value, const char* expected) {
    return value != nullptr && std::strcmp(value, expected) == 0;
}

// Answers the hand-over call on the connection's own thread, as it is read: the files never wait for
// a loop that nobody runs before the application exists, and every call read before the answer to
// the name's release has been answered once that answer is in.
GDBusMessage* AnswerHandOver(GDBusConnection* connection, GDBusMessage* message, gboolean incoming,
                             gpointer data) {
    if (!incoming || g_dbus_message_get_message_type(message) != G_DBUS_MESSAGE_TYPE_METHOD_CALL ||
        !Is(g_dbus_message_get_path(message), PlayerBus::HandOverPath) ||
        !Is(g_dbus_message_get_interface(message), PlayerBus::HandOverInterface) ||
        !Is(g_dbus_message_get_member(message), "Open")) {
        return message;
    }
    GVariant* arguments = g_dbus_message_get_body(message);
    if (arguments == nullptr || !g_variant_is_of_type(arguments, G_VARIANT_TYPE("(sx)"))) {
        // Left to the connection, which answers that no such method is served.
        return message;
    }
    const gchar* uri = nullptr;
    gint64 deadline = 0;
    g_variant_get(arguments, "(&sx)", &uri, &deadline);
    const bool taken = (*static_cast<std::shared_ptr<HandOverGate>*>(data))->Open(uri, deadline);
    GDBusMessage* reply = g_dbus_message_new_method_reply(message);
    g_dbus_message_set_body(reply, g_variant_new("(b)", static_cast<gboolean>(taken)));
    g_dbus_connection_send_message(connection, reply, G_DBUS_SEND_MESSAGE_FLAGS_NONE, nullptr, nullptr);
    g_object_unref(reply);
    g_object_unref(message);
    return nullptr;
}

} // namespace

BusNameClaim::BusNameClaim() = default;

BusNameClaim::~BusNameClaim() {
    Release();
}

BusNameClaim::Result BusNameClaim::Claim() {
    gchar* address = g_dbus_address_get_for_bus_sync(G_BUS_TYPE_SESSION, nullptr, nullptr);
    if (address == nullptr) {
        return Result::NoBus;
    }
    connection_ = g_dbus_connection_new_for_address_sync(
        address,
        static_cast<GDBusConnectionFlags>(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                          G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
        nullptr, nullptr, nullptr);
    g_free(address);
    if (connection_ == nullptr) {
        return Result::NoBus;
    }
    // The filter holds the gate for as long as the connection may still call it, which can be past
    // the filter's removal.
    filter_ = g_dbus_connection_add_filter(
        connection_, AnswerHandOver, new std::shared_ptr<HandOverGate>(gate_),
        [](gpointer data) { delete static_cast<std::shared_ptr<HandOverGate>*>(data); });
    GVariant* reply = g_dbus_connection_call_sync(
        connection_, kBus, kBusPath, kBus, "RequestName",
        g_variant_new("(su)", PlayerBus::Name, static_cast<guint32>(G_BUS_NAME_OWNER_FLAGS_DO_NOT_QUEUE)),
        G_VARIANT_TYPE("(u)"), G_DBUS_CALL_FLAGS_NONE, -1, nullptr, nullptr);
    if (reply == nullptr) {
        Release();
        return Result::NoBus;
    }
    guint32 answer = 0;
    g_variant_get(reply, "(u)", &answer);
    g_variant_unref(reply);
    owner_ = answer == kPrimaryOwner;
    if (!owner_) {
        // Files are handed to the owner only.
        g_dbus_connection_remove_filter(connection_, filter_);
        filter_ = 0;
    }
    return owner_ ? Result::Owner : Result::Taken;
}

bool BusNameClaim::HandOver(const std::string& path) {
    if (connection_ == nullptr || owner_) {
        return false;
    }
    const std::string uri = FileUriOfPath(path);
    GVariant* reply = g_dbus_connection_call_sync(
        connection_, PlayerBus::Name, PlayerBus::HandOverPath, PlayerBus::HandOverInterface, "Open",
        g_variant_new("(sx)", uri.c_str(), static_cast<gint64>(HandOverGate::DeadlineFromNow())),
        G_VARIANT_TYPE("(b)"), G_DBUS_CALL_FLAGS_NONE, HandOverGate::AnswerWaitMilliseconds(), nullptr,
        nullptr);
    if (reply == nullptr) {
        return false;
    }
    gboolean taken = FALSE;
    g_variant_get(reply, "(b)", &taken);
    g_variant_unref(reply);
    return taken != FALSE;
}

void BusNameClaim::Release() {
    if (connection_ == nullptr) {
        return;
    }
    if (owner_) {
        // Answered only once the bus has read every call routed here before it, and the connection's
        // thread reads them, and so answers them, in order.
        GVariant* reply = g_dbus_connection_call_sync(
            connection_, kBus, kBusPath, kBus, "ReleaseName", g_variant_new("(s)", PlayerBus::Name),
            G_VARIANT_TYPE("(u)"), G_DBUS_CALL_FLAGS_NONE, -1, nullptr, nullptr);
        if (reply != nullptr) {
            g_variant_unref(reply);
        }
        owner_ = false;
    }
    if (filter_ != 0) {
        g_dbus_connection_remove_filter(connection_, filter_);
        filter_ = 0;
    }
    g_dbus_connection_close_sync(connection_, nullptr, nullptr);
    g_object_unref(connection_);
    connection_ = nullptr;
}
