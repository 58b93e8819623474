#include "app/TVideoPanel.h"

#include <QMouseEvent>

TVideoPanel::TVideoPanel(const QString& name, QWidget* parent) : QWidget(parent) {
    setObjectName(name);
    setAttribute(Qt::WA_NativeWindow);
    setAttribute(Qt::WA_PaintOnScreen);
    setAttribute(Qt::WA_NoSystemBackground);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

WId TVideoPanel::NativeWindow() {
    return winId();
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
