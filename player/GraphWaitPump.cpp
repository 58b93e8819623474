// SPDX-License-Identifier: GPL-2.0-or-later
#include "player/GraphWaitPump.h"

#include "app/HandlerGuard.h"
#include "graph/GraphWait.h"

#include <QCoreApplication>
#include <QEvent>
#include <QTimer>
#include <QWindow>

GraphWaitPump::GraphWaitPump(QWidget& window) : window_(&window) {
    SetWhileGraphWaits([this](GraphWaitPhase phase) {
        switch (phase) {
        case GraphWaitPhase::Begins:
            Begins();
            break;
        case GraphWaitPhase::GoesOn:
            GoesOn();
            break;
        case GraphWaitPhase::Ends:
            Ends();
            break;
        }
    });
}

GraphWaitPump::~GraphWaitPump() {
    SetWhileGraphWaits({});
}

void GraphWaitPump::Begins() {
    if (depth_++ == 0) {
        SetHandlersHeldBack(true);
        began_ = std::chrono::steady_clock::now();
    }
}

void GraphWaitPump::GoesOn() {
    // A good local file opens in a blink, and the window would only delay its first picture by drawing
    // meanwhile; nobody sees a window that has not answered for a tenth of a second.
    constexpr std::chrono::milliseconds kUnnoticed{100};
    if (pumping_ || std::chrono::steady_clock::now() - began_ < kUnnoticed) {
        return;
    }
    pumping_ = true;
    QCoreApplication::instance()->installEventFilter(this);
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents | QEventLoop::ExcludeSocketNotifiers |
                                    QEventLoop::X11ExcludeTimers);
    QCoreApplication::instance()->removeEventFilter(this);
    pumping_ = false;
}

void GraphWaitPump::Ends() {
    if (--depth_ > 0) {
        return;
    }
    SetHandlersHeldBack(false);
    // From the event loop, once the handler that waited has returned to it.
    QTimer::singleShot(0, this, [] { RunHeldBackHandlers(); });
}

bool GraphWaitPump::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::Timer:
    case QEvent::SockAct:
        // Not taken now, but not lost: a timer or a socket with data fires again after the wait.
        return true;
    case QEvent::Close:
        if (window_ && watched == window_->windowHandle()) {
            HoldBackHandler([window = window_] {
                if (window) {
                    window->close();
                }
            });
            return true;
        }
        return false;
    default:
        return false;
    }
}
