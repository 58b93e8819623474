// SPDX-License-Identifier: GPL-2.0-or-later
#include "app/TPanel.h"

#include "app/TDockLayout.h"

#include <QMouseEvent>
#include <QPainter>

namespace {
constexpr int kBevelWidth = 1;
} // namespace

TPanel::TPanel(const QString& name, const QString& caption, int borderWidth, QWidget* parent)
    : QWidget(parent), caption_(caption), dock_(new TDockLayout(this)) {
    setObjectName(name);
    setAccessibleName(caption);
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Button);
    const int inset = kBevelWidth + borderWidth;
    dock_->setContentsMargins(inset, inset, inset, inset);
}

void TPanel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (!caption_.isEmpty()) {
        painter.setPen(palette().color(QPalette::WindowText));
        painter.drawText(rect(), Qt::AlignCenter, caption_);
    }
    const QRect edge = rect().adjusted(0, 0, -1, -1);
    painter.setPen(palette().color(QPalette::Light));
    painter.drawLine(edge.topLeft(), edge.topRight());
    painter.drawLine(edge.topLeft(), edge.bottomLeft());
    painter.setPen(palette().color(QPalette::Dark));
    painter.drawLine(edge.bottomLeft(), edge.bottomRight());
    painter.drawLine(edge.topRight(), edge.bottomRight());
}

void TPanel::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    emit Resized();
}

void TPanel::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || childAt(event->position().toPoint()) != nullptr) {
        event->ignore();
        return;
    }
    event->accept();
    emit DoubleClicked();
}
