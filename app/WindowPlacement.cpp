// SPDX-License-Identifier: GPL-2.0-or-later
#include "app/WindowPlacement.h"

#include "app/NormalFrameWatch.h"

#include <QRect>
#include <QWidget>
#include <algorithm>
#include <cstdint>

namespace {

// The outer frame of the window as it would be in the normal (restored) state.
QRect NormalFrame(const QWidget& window) {
    const NormalFrameWatch* watch = NormalFrameWatch::Find(window);
    // Bounds given before the window was framed are its bounds until it has them.
    if (watch && watch->Pending()) {
        return *watch->Pending();
    }
    const QRect frame = window.frameGeometry();
    const QRect client = window.geometry();
    const QRect normal = window.normalGeometry();
    if (window.windowState() == Qt::WindowNoState || !normal.isValid()) {
        return frame;
    }
    // The frame round a maximised window may be thinner than round a normal one; the margins the
    // window had in the normal state are the ones it will have again.
    const QMargins margins = watch && watch->NormalMargins()
                                 ? *watch->NormalMargins()
                                 : QMargins(client.left() - frame.left(), client.top() - frame.top(),
                                            frame.right() - client.right(), frame.bottom() - client.bottom());
    return normal.marginsAdded(margins);
}

// The exclusive right or bottom edge of a span, kept within 32 bits.
std::int32_t EdgeAfter(int start, int length) {
    return static_cast<std::int32_t>(
        std::clamp<std::int64_t>(std::int64_t{start} + length, INT32_MIN, INT32_MAX));
}

// The size from one edge to the other; 0 when they are the wrong way round.
int SizeBetween(std::int32_t from, std::int32_t to) {
    return static_cast<int>(std::clamp<std::int64_t>(std::int64_t{to} - from, 0, QWIDGETSIZE_MAX));
}

} // namespace

WindowPlacement GetWindowPlacement(const QWidget& window) {
    WindowPlacement placement;
    Qt::WindowStates state = window.windowState();
    if (state & Qt::WindowMinimized) {
        placement.showCmd = ShowCode::Minimized;
        if (state & Qt::WindowMaximized) {
            placement.flags |= PlacementFlag::RestoreToMaximized;
        }
    } else if (state & Qt::WindowMaximized) {
        placement.showCmd = ShowCode::Maximized;
    } else {
        placement.showCmd = ShowCode::Normal;
    }
    QRect normal = NormalFrame(window);
    placement.normalLeft = normal.left();
    placement.normalTop = normal.top();
    placement.normalRight = EdgeAfter(normal.left(), normal.width());
    placement.normalBottom = EdgeAfter(normal.top(), normal.height());
    return placement;
}

void SetWindowPlacement(QWidget& window, const WindowPlacement& placement) {
    // The bounds come from the settings file, which may hold any 32-bit values: the size is taken in
    // 64 bits and kept within what a window can be, and so is the position below.
    const int width = SizeBetween(placement.normalLeft, placement.normalRight);
    const int height = SizeBetween(placement.normalTop, placement.normalBottom);
    // From now on the window's frame is followed, whatever the placement holds.
    NormalFrameWatch& watch = NormalFrameWatch::Of(window);
    // The window must be in the normal state while its normal bounds are set.
    Qt::WindowStates previous = window.windowState();
    window.setWindowState(Qt::WindowNoState);
    // Far beyond any desktop, a position would only overflow the frame arithmetic.
    const QRect outer(std::clamp(placement.normalLeft, -QWIDGETSIZE_MAX, QWIDGETSIZE_MAX),
                      std::clamp(placement.normalTop, -QWIDGETSIZE_MAX, QWIDGETSIZE_MAX), width, height);
    // An unframed window's own bounds given back to it (a first start) leave its client area as
    // designed, inside whatever frame it gets.
    if (width > 0 && height > 0 && outer != NormalFrame(window)) {
        const QSize frameSize = window.frameGeometry().size() - window.geometry().size();
        window.move(outer.topLeft());
        window.resize(outer.size() - frameSize);
        if (!window.isVisible()) {
            watch.GiveWhenFramed(outer);
        }
    }

    switch (placement.showCmd) {
    case 0: // hide
        window.setWindowState(previous);
        window.hide();
        break;
    case 2:  // show minimised
    case 6:  // minimise
    case 7:  // show minimised without activating
    case 11: // force minimise
        window.setWindowState(placement.flags & PlacementFlag::RestoreToMaximized
                                  ? Qt::WindowMinimized | Qt::WindowMaximized
                                  : Qt::WindowMinimized);
        break;
    case 3: // maximise
        window.setWindowState(Qt::WindowMaximized);
        break;
    case 5: // show in the current state
    case 8: // show in the current state without activating
        window.setWindowState(previous);
        break;
    default: // 1 normal, 4 normal without activating, 9 restore, 10 default
        window.setWindowState(Qt::WindowNoState);
        break;
    }
}
