// SPDX-License-Identifier: GPL-2.0-or-later
#include "player/MonitorWatch.h"

#include <QSocketNotifier>
#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>
#include <memory>

MonitorWatch::MonitorWatch(QObject* parent) : QObject(parent) {
    display_ = XOpenDisplay(nullptr);
    if (!display_) {
        return;
    }
    int errorBase = 0;
    if (!XRRQueryExtension(display_, &randrEvents_, &errorBase)) {
        XCloseDisplay(display_);
        display_ = nullptr;
        return;
    }
    XRRSelectInput(display_, DefaultRootWindow(display_),
                   RRScreenChangeNotifyMask | RRCrtcChangeNotifyMask | RROutputChangeNotifyMask);
    XFlush(display_);
    monitors_ = ListNow();
    notifier_ = new QSocketNotifier(ConnectionNumber(display_), QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, [this] { TakeEvents(); });
    TakeQueuedLater();
}

// Xlib reads events off the socket while it waits for a reply, and keeps them in its own queue: the
// socket then says nothing about them, so they are taken on the next turn of the event loop.
void MonitorWatch::TakeQueuedLater() {
    if (XEventsQueued(display_, QueuedAlready) > 0) {
        QMetaObject::invokeMethod(
            this, [this] { TakeEvents(); }, Qt::QueuedConnection);
    }
}

MonitorWatch::~MonitorWatch() {
    if (display_) {
        delete notifier_;
        XCloseDisplay(display_);
    }
}

std::vector<Monitor> MonitorWatch::ListNow() const {
    std::vector<Monitor> listed;
    int count = 0;
    std::unique_ptr<XRRMonitorInfo, void (*)(XRRMonitorInfo*)> monitors(
        XRRGetMonitors(display_, DefaultRootWindow(display_), True, &count), XRRFreeMonitors);
    for (int i = 0; monitors && i < count; ++i) {
        const XRRMonitorInfo& info = monitors.get()[i];
        char* name = info.name != None ? XGetAtomName(display_, info.name) : nullptr;
        listed.push_back({name ? name : "", info.x, info.y, info.width, info.height});
        if (name) {
            XFree(name);
        }
    }
    return listed;
}

void MonitorWatch::TakeEvents() {
    bool changed = false;
    while (XPending(display_) > 0) {
        XEvent event;
        XNextEvent(display_, &event);
        XRRUpdateConfiguration(&event);
        changed = changed || event.type == randrEvents_ + RRScreenChangeNotify ||
                  event.type == randrEvents_ + RRNotify;
    }
    if (!changed) {
        return;
    }
    std::vector<Monitor> now = ListNow();
    TakeQueuedLater();
    if (now != monitors_) {
        monitors_ = std::move(now);
        emit Changed();
    }
}
