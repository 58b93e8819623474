// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "player/DeviceScreen.h"

#include <QObject>
#include <vector>

class QSocketNotifier;
struct _XDisplay;

// The X server's monitors as RandR lists them, in the server's order (the order the device's
// "monitor" index counts in), through a connection of its own; and a signal when they change, woken
// by the server's RandR events rather than by asking again and again. Without an X server the list
// is empty and nothing is ever signalled.
class MonitorWatch : public QObject {
    Q_OBJECT
public:
    explicit MonitorWatch(QObject* parent = nullptr);
    ~MonitorWatch() override;
    MonitorWatch(const MonitorWatch&) = delete;
    MonitorWatch& operator=(const MonitorWatch&) = delete;

    const std::vector<Monitor>& Monitors() const { return monitors_; }

signals:
    // The list differs from the one before: a monitor came, went, moved or changed its size.
    void Changed();

private:
    void TakeEvents();
    void TakeQueuedLater();
    std::vector<Monitor> ListNow() const;

    _XDisplay* display_ = nullptr;
    int randrEvents_ = 0;
    QSocketNotifier* notifier_ = nullptr;
    std::vector<Monitor> monitors_;
};
