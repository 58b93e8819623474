// SPDX-License-Identifier: GPL-2.0-or-later
#include "app/TSplitter.h"

#include "app/TDockLayout.h"

#include <QMouseEvent>
#include <algorithm>

TSplitter::TSplitter(const QString& name, TDockLayout& dock, QWidget& control, QWidget* parent)
    : QWidget(parent), dock_(dock), control_(control), line_(new QWidget(parent)) {
    setObjectName(name);
    setCursor(Vertical() ? Qt::SizeVerCursor : Qt::SizeHorCursor);
    line_->setObjectName(name + QStringLiteral("Line"));
    line_->setAutoFillBackground(true);
    QPalette dark = line_->palette();
    dark.setColor(QPalette::Window, palette().color(QPalette::Dark));
    line_->setPalette(dark);
    line_->setAttribute(Qt::WA_TransparentForMouseEvents);
    line_->hide();
}

bool TSplitter::Vertical() const {
    TAlign align = dock_.DockedAlign(&control_);
    return align == TAlign::Top || align == TAlign::Bottom;
}

int TSplitter::SizeAfterDrag(int startSize, int delta) const {
    TAlign align = dock_.DockedAlign(&control_);
    const bool grows = align == TAlign::Top || align == TAlign::Left;
    int size = startSize + (grows ? delta : -delta);
    // The client control beyond keeps at least the minimum.
    const int maxSize = dock_.FreeRoom(align) + dock_.DockedSize(&control_) - kMinSize;
    size = std::min(size, maxSize);
    if (size <= kMinSize) {
        return 0;
    }
    return size;
}

int TSplitter::Delta(QMouseEvent* event) const {
    const QPoint moved = event->position().toPoint() - pressAt_;
    return Vertical() ? moved.y() : moved.x();
}

void TSplitter::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        return;
    }
    dragging_ = true;
    pressAt_ = event->position().toPoint();
    startSize_ = dock_.DockedSize(&control_);
    line_->setGeometry(geometry());
    line_->raise();
    line_->show();
}

void TSplitter::mouseMoveEvent(QMouseEvent* event) {
    if (!dragging_) {
        return;
    }
    const int shift = SizeAfterDrag(startSize_, Delta(event)) - startSize_;
    TAlign align = dock_.DockedAlign(&control_);
    const int along = (align == TAlign::Top || align == TAlign::Left) ? shift : -shift;
    line_->setGeometry(geometry().translated(Vertical() ? QPoint(0, along) : QPoint(along, 0)));
}

void TSplitter::mouseReleaseEvent(QMouseEvent* event) {
    if (!dragging_ || event->button() != Qt::LeftButton) {
        return;
    }
    dragging_ = false;
    line_->hide();
    dock_.SetDockedSize(&control_, SizeAfterDrag(startSize_, Delta(event)));
}
