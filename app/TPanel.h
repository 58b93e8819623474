// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QWidget>

class TDockLayout;

// A panel in the system's button-face colour with a 1 px raised bevel and a border inside it, and
// a caption in its middle (usually covered by its children). Its children are placed by its own
// dock layout, inside the bevel and the border.
class TPanel : public QWidget {
    Q_OBJECT

public:
    TPanel(const QString& name, const QString& caption, int borderWidth, QWidget* parent);

    TDockLayout& Dock() const { return *dock_; }
    const QString& Caption() const { return caption_; }

signals:
    void Resized();
    void DoubleClicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    // Only a double-click with the primary button on the panel's own surface counts, not one that
    // a child let through.
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    QString caption_;
    TDockLayout* dock_;
};
