// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QAbstractButton>
#include <QColor>
#include <QWidget>

class TAction;
class TImageList;
class QHBoxLayout;

// One toolbar item: an action's image and a caption of its own. An "&" letter in the caption is drawn
// underlined but is no shortcut. The item looks pressed while its action is checked.
class TActionToolItem : public QAbstractButton {
    Q_OBJECT

public:
    TActionToolItem(TAction& action, const QString& caption, const TImageList& images, QWidget* parent);

    TAction& Action() const { return action_; }
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    TAction& action_;
    bool hovered_ = false;
};

// A flat toolbar of action items without gaps, in the colours the player has always had.
class TActionToolBar : public QWidget {
    Q_OBJECT

public:
    // The colour of the bar beyond its items and of an item under the mouse: RGB 247, 246, 238.
    static QColor HighlightColor();

    TActionToolBar(const TImageList& images, QWidget* parent);

    // Appends an item for the action; an empty caption shows the action's own.
    TActionToolItem* AddItem(TAction& action, const QString& caption = QString());

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    const TImageList& images_;
    QHBoxLayout* row_;
};
