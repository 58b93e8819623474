// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QLineEdit>

class QLabel;

// An edit with its label just above it: the label sits 3 px above the edit, left-aligned with it,
// moves and hides with it, and names the edit for assistive technologies.
class TLabeledEdit : public QLineEdit {
    Q_OBJECT

public:
    TLabeledEdit(const QString& name, const QString& label, QSize labelSize, QWidget* parent);

    QLabel& EditLabel() const { return *label_; }

    // Places the edit and its label together.
    void SetBounds(const QRect& bounds);

    void setVisible(bool visible) override;

protected:
    void moveEvent(QMoveEvent* event) override;

private:
    void PlaceLabel();

    QLabel* label_;
};
