// SPDX-License-Identifier: GPL-2.0-or-later
#include "app/AfterFirstPaint.h"

#include "core/StartupMarks.h"

#include <QEvent>
#include <QTimer>
#include <QWidget>

namespace {

class FirstPaintWatch : public QObject {
public:
    FirstPaintWatch(QWidget& window, std::function<void()> action)
        : QObject(&window), action_(std::move(action)) {}

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && !fired_) {
            fired_ = true;
            MarkStartupOnce("window painted");
            // Queued from inside the paint, so it runs once the painted window has been flushed to
            // the screen.
            QTimer::singleShot(0, this, [this] {
                const std::function<void()> action = std::move(action_);
                deleteLater();
                action();
            });
        }
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<void()> action_;
    bool fired_ = false;
};

} // namespace

void RunAfterFirstPaint(QWidget& window, std::function<void()> action) {
    window.installEventFilter(new FirstPaintWatch(window, std::move(action)));
}
