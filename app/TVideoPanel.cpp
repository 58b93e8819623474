// SPDX-License-Identifier: GPL-2.0-or-later
#include "app/TVideoPanel.h"

#include <QEvent>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QWindow>
// Xlib after Qt: its macros (None, Bool, ...) would break Qt's headers.
#include <X11/Xlib.h>

namespace {

// The toolkit never paints the panel, so without a background of its own the X server leaves in it
// whatever was drawn there last (a picture of the file before, or black). With one, the server fills
// every part that no picture covers with the panel's face.
void SetServerBackground(WId window, const QColor& colour) {
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (x11 == nullptr || x11->display() == nullptr || window == 0) {
        return; // not on X: nothing draws into the panel but the toolkit
    }
    Display* display = x11->display();
    XColor wanted{};
    wanted.red = static_cast<unsigned short>(colour.red() * 257);
    wanted.green = static_cast<unsigned short>(colour.green() * 257);
    wanted.blue = static_cast<unsigned short>(colour.blue() * 257);
    wanted.flags = DoRed | DoGreen | DoBlue;
    if (!XAllocColor(display, DefaultColormap(display, DefaultScreen(display)), &wanted)) {
        return;
    }
    XSetWindowBackground(display, static_cast<Window>(window), wanted.pixel);
    XClearWindow(display, static_cast<Window>(window));
    XFlush(display);
}

} // namespace

TVideoPanel::TVideoPanel(const QString& name, QWidget* parent) : QWidget(parent) {
    setObjectName(name);
    setAttribute(Qt::WA_NativeWindow);
    setAttribute(Qt::WA_PaintOnScreen);
    setAttribute(Qt::WA_NoSystemBackground);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setBackgroundRole(QPalette::Button);
}

WId TVideoPanel::NativeWindow() {
    if (!backgroundSet_) {
        backgroundSet_ = true;
        SetServerBackground(winId(), palette().color(backgroundRole()));
        // A native child follows its top-level window from screen to screen.
        if (QWindow* window = windowHandle()) {
            connect(window, &QWindow::screenChanged, this, &TVideoPanel::ScaleChanged);
        }
    }
    return winId();
}

void TVideoPanel::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange && backgroundSet_) {
        SetServerBackground(winId(), palette().color(backgroundRole()));
    }
}

void TVideoPanel::paintEvent(QPaintEvent*) {
    emit Exposed();
}

void TVideoPanel::mouseDoubleClickEvent(QMouseEvent* event) {
    event->accept();
}

void TVideoPanel::mousePressEvent(QMouseEvent* event) {
    event->accept();
}
