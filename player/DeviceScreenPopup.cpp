// SPDX-License-Identifier: GPL-2.0-or-later
// The device's picture on the user's own screens: the context menu of the check box 映像出力, where
// the user picks the monitor and full screen, and the placement worked out again as monitors come and
// go.

#include "app/TActionCheckBox.h"
#include "graph/Halvion.h"
#include "player/DeviceScreen.h"
#include "player/HandlerDispatcher.h"
#include "player/MonitorWatch.h"
#include "player/TfrmMain.h"

#include <QActionGroup>
#include <QMenu>
#include <QScreen>
#include <QWindow>

namespace {

// The main window's centre in the X server's pixels, as the monitors are listed.
QPoint CentreOnTheServer(const QWidget& window) {
    const QPointF centre = QRectF(window.frameGeometry()).center();
    const QScreen* screen = window.screen();
    const QPoint origin = screen ? screen->geometry().topLeft() : QPoint();
    const ServerPoint onServer =
        ToServerPixels(centre.x(), centre.y(), origin.x(), origin.y(), window.devicePixelRatioF());
    return {onServer.x, onServer.y};
}

} // namespace

void TfrmMain::PlaceDeviceScreen() {
    // A monitor that changes while the window closes finds the graph already gone.
    if (!Player) {
        return;
    }
    const DevicePlacement placement = DevicePlacementFor(deviceScreen_);
    Player->SetDeviceScreen(placement.monitor, placement.fullscreen);
}

DevicePlacement TfrmMain::DevicePlacementFor(const DeviceScreenChoice& choice) {
    if (!monitors_) {
        monitors_ = new MonitorWatch(this);
        // A monitor that comes or goes, and the window moved onto another monitor, change where the
        // automatic choice goes, and whether a chosen monitor is there.
        connect(monitors_, &MonitorWatch::Changed, this,
                [this] { dispatcher_->Arrive(Arrival::MonitorChange, [this] { PlaceDeviceScreen(); }); });
    }
    if (!screenWatched_) {
        if (QWindow* window = windowHandle()) {
            screenWatched_ = true;
            connect(window, &QWindow::screenChanged, this,
                    [this] { dispatcher_->Arrive(Arrival::MonitorChange, [this] { PlaceDeviceScreen(); }); });
        }
    }
    const QPoint centre = CentreOnTheServer(*this);
    return PlaceDevice(monitors_->Monitors(), choice, centre.x(), centre.y());
}

void TfrmMain::chkEnableVideoContextPopup(const QPoint& where) {
    if (!monitors_) {
        PlaceDeviceScreen();
    }
    if (!monitors_) {
        return;
    }
    const QPoint centre = CentreOnTheServer(*this);
    // Shown without a loop of its own: a choice comes back as a handler like any other.
    auto* menu = new QMenu(this);
    menu->setObjectName(QStringLiteral("PopupDeviceScreen"));
    menu->setAttribute(Qt::WA_DeleteOnClose);
    auto* group = new QActionGroup(menu);
    for (const DeviceScreenEntry& entry :
         DeviceScreenEntries(monitors_->Monitors(), deviceScreen_, centre.x(), centre.y())) {
        if (entry.fullscreenCheck) {
            menu->addSeparator();
        }
        QAction* item = menu->addAction(QString::fromStdString(entry.text));
        item->setCheckable(true);
        item->setChecked(entry.checked);
        if (!entry.fullscreenCheck) {
            group->addAction(item);
        }
        connect(item, &QAction::triggered, this, [this, choice = entry.choice] {
            dispatcher_->Arrive(Arrival::UserInput, [this, choice] { DeviceScreenClick(choice); });
        });
    }
    menu->popup(chkEnableVideo->mapToGlobal(where));
}

void TfrmMain::DeviceScreenClick(const DeviceScreenChoice& choice) {
    deviceScreen_ = choice;
    PlaceDeviceScreen();
}
