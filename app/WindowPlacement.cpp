#include "app/WindowPlacement.h"

#include <QEvent>
#include <QPointer>
#include <QRect>
#include <QTimer>
#include <QWidget>
#include <algorithm>
#include <cstdint>

namespace {

// The outer frame of the window as it would be in the normal (restored) state.
QRect NormalFrame(const QWidget& window) {
    QRect frame = window.frameGeometry();
    QRect client = window.geometry();
    QRect normal = window.normalGeometry();
    if (window.windowState() == Qt::WindowNoState || !normal.isValid()) {
        return frame;
    }
    // Frame margins do not change between states on the desktops we know, so the normal client
    // rectangle grows by the same margins.
    return normal.adjusted(frame.left() - client.left(), frame.top() - client.top(),
                           frame.right() - client.right(), frame.bottom() - client.bottom());
}

// The frame's margins are only known once the window manager has framed the window. Until then the
// client is sized as if there were none; this filter corrects the size once the window is shown, so
// a window does not grow by its decorations at every start.
class OuterSizeKeeper : public QObject {
public:
    OuterSizeKeeper(QWidget& window, QSize outer) : QObject(&window), window_(&window), outer_(outer) {
        window.installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == window_ && event->type() == QEvent::Show) {
            QPointer<QWidget> window = window_;
            QSize outer = outer_;
            QTimer::singleShot(0, window, [window, outer] {
                if (window && window->windowState() == Qt::WindowNoState) {
                    QSize extra = window->frameGeometry().size() - window->geometry().size();
                    if (!extra.isEmpty()) {
                        window->resize(outer - extra);
                    }
                }
            });
            deleteLater();
        }
        return false;
    }

private:
    QWidget* window_;
    QSize outer_;
};

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
    // The window must be in the normal state while its normal bounds are set.
    Qt::WindowStates previous = window.windowState();
    window.setWindowState(Qt::WindowNoState);
    if (width > 0 && height > 0) {
        QSize extra = window.frameGeometry().size() - window.geometry().size();
        // Far beyond any desktop, a position would only overflow the frame arithmetic.
        window.move(std::clamp(placement.normalLeft, -QWIDGETSIZE_MAX, QWIDGETSIZE_MAX),
                    std::clamp(placement.normalTop, -QWIDGETSIZE_MAX, QWIDGETSIZE_MAX));
        window.resize(QSize(width, height) - extra);
        if (!window.isVisible()) {
            new OuterSizeKeeper(window, QSize(width, height));
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
