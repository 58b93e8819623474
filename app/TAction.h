// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QObject>
#include <QString>
#include <functional>

// A command: a category, a caption, an image index, a checked state and a handler. Nothing checks
// it automatically: only its handler changes its checked state, and the controls bound to it follow.
// It is never disabled.
class TAction : public QObject {
    Q_OBJECT

public:
    TAction(const QString& name, const QString& category, const QString& caption, int imageIndex,
            QObject* parent);

    const QString& Category() const { return category_; }
    const QString& Caption() const { return caption_; }
    int ImageIndex() const { return imageIndex_; }

    bool Checked() const { return checked_; }
    void SetChecked(bool checked);

    void SetOnExecute(std::function<void()> handler);
    // Runs the handler; an error escaping it goes to the application's error box.
    void Execute();

signals:
    // The checked state changed; bound controls redraw.
    void Changed();

private:
    QString category_;
    QString caption_;
    int imageIndex_;
    bool checked_ = false;
    std::function<void()> onExecute_;
};
