// SPDX-License-Identifier: GPL-2.0-or-later
#include "graph/gst/BusNewsWatch.h"

#include "graph/GraphWait.h"

#include <glib-unix.h>
#include <utility>

namespace {

// How soon the watch looks again when a wait had the messages to itself.
constexpr guint LookAgainMs = 20;

} // namespace

BusNewsWatch::BusNewsWatch(int news, std::function<void()> onNews)
    : news_(news), onNews_(std::move(onNews)) {}

BusNewsWatch::~BusNewsWatch() {
    Disarm();
}

void BusNewsWatch::Arm() {
    if (!source_ && news_ >= 0) {
        WatchNews();
    }
}

void BusNewsWatch::Disarm() {
    if (source_) {
        g_source_destroy(source_);
        g_source_unref(source_);
        source_ = nullptr;
    }
    lookingLater_ = false;
}

void BusNewsWatch::WatchNews() {
    Disarm();
    source_ = g_unix_fd_source_new(news_, G_IO_IN);
    g_source_set_callback(source_, G_SOURCE_FUNC(&BusNewsWatch::OnNews), this, nullptr);
    g_source_attach(source_, nullptr);
}

void BusNewsWatch::LookLater() {
    Disarm();
    source_ = g_timeout_source_new(LookAgainMs);
    g_source_set_callback(source_, &BusNewsWatch::OnLookAgain, this, nullptr);
    g_source_attach(source_, nullptr);
    lookingLater_ = true;
}

gboolean BusNewsWatch::OnNews(gint /*fd*/, GIOCondition /*condition*/, gpointer self) {
    static_cast<BusNewsWatch*>(self)->Look();
    return G_SOURCE_CONTINUE;
}

gboolean BusNewsWatch::OnLookAgain(gpointer self) {
    static_cast<BusNewsWatch*>(self)->Look();
    return G_SOURCE_CONTINUE;
}

// Whichever source called, it is replaced or destroyed before this returns where it must not run
// again; GLib allows destroying the source being dispatched.
void BusNewsWatch::Look() {
    if (GraphWait::Underway()) {
        // The descriptor stays readable until that wait (perhaps another graph's) looks at it; watched
        // meanwhile, it would end every sleep of the wait at once.
        LookLater();
        return;
    }
    if (lookingLater_) {
        WatchNews();
    }
    onNews_();
}
