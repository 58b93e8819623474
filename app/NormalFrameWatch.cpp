// SPDX-License-Identifier: GPL-2.0-or-later
#include "app/NormalFrameWatch.h"

#include <QEvent>
#include <QWidget>
#include <QWindow>

NormalFrameWatch::NormalFrameWatch(QWidget& window) : QObject(&window), window_(&window) {
    setObjectName(QStringLiteral("NormalFrameWatch"));
    window.installEventFilter(this);
    WatchNativeWindow();
}

NormalFrameWatch& NormalFrameWatch::Of(QWidget& window) {
    if (const NormalFrameWatch* watch = Find(window)) {
        return *const_cast<NormalFrameWatch*>(watch);
    }
    return *new NormalFrameWatch(window);
}

const NormalFrameWatch* NormalFrameWatch::Find(const QWidget& window) {
    return window.findChild<NormalFrameWatch*>(QString(), Qt::FindDirectChildrenOnly);
}

void NormalFrameWatch::GiveWhenFramed(const QRect& outer) {
    pending_ = outer;
}

void NormalFrameWatch::WatchNativeWindow() {
    // Exposure is told to the native window only; installing twice would filter its events twice.
    if (QWindow* handle = window_->windowHandle()) {
        handle->removeEventFilter(this);
        handle->installEventFilter(this);
    }
}

bool NormalFrameWatch::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::Show:
        if (watched == window_) {
            WatchNativeWindow(); // the native window may only now exist
        }
        break;
    case QEvent::Expose:
    case QEvent::Move:
    case QEvent::Resize:
    case QEvent::WindowStateChange:
        Update();
        break;
    default:
        break;
    }
    return false;
}

void NormalFrameWatch::Update() {
    const QWindow* handle = window_->windowHandle();
    // A reparenting window manager frames the window before it is mapped, so by its first exposure
    // the frame is known.
    if (!handle || !handle->isExposed() || window_->windowState() != Qt::WindowNoState) {
        return;
    }
    const QMargins margins = handle->frameMargins();
    normalMargins_ = margins;
    if (pending_) {
        Give(*pending_, margins);
        pending_.reset();
    } else if (given_ && margins != given_->margins && window_->size() == given_->client) {
        // The manager tells the new state, the new size and the new frame one after another, so the
        // bounds may have been given with the frame of the state before; the window is as they left
        // it (the user has not resized it), so they are given again inside the frame it has now.
        Give(given_->outer, margins);
    }
}

void NormalFrameWatch::Give(const QRect& outer, const QMargins& margins) {
    given_ = Given{outer, margins, outer.size().shrunkBy(margins)};
    // The client area's own place: a move of the frame would be worked out from the frame the
    // toolkit last saw, which is the one in doubt.
    window_->setGeometry(outer.marginsRemoved(margins));
}
