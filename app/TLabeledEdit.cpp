// SPDX-License-Identifier: GPL-2.0-or-later
#include "app/TLabeledEdit.h"

#include <QLabel>

namespace {
constexpr int kLabelSpacing = 3;
} // namespace

TLabeledEdit::TLabeledEdit(const QString& name, const QString& label, QSize labelSize, QWidget* parent)
    : QLineEdit(parent), label_(new QLabel(label, parent)) {
    setObjectName(name);
    label_->setObjectName(name + QStringLiteral("Label"));
    label_->resize(labelSize);
    label_->setBuddy(this);
    setAccessibleName(label);
    PlaceLabel();
}

void TLabeledEdit::SetBounds(const QRect& bounds) {
    setGeometry(bounds);
    PlaceLabel();
}

void TLabeledEdit::setVisible(bool visible) {
    QLineEdit::setVisible(visible);
    label_->setVisible(visible);
}

void TLabeledEdit::moveEvent(QMoveEvent* event) {
    QLineEdit::moveEvent(event);
    PlaceLabel();
}

void TLabeledEdit::PlaceLabel() {
    label_->move(x(), y() - label_->height() - kLabelSpacing);
}
