// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QScrollBar>

// What the user did to a scroll bar.
enum TScrollCode {
    scLineUp,
    scLineDown,
    scPageUp,
    scPageDown,
    scPosition,
    scTrack,
    scTop,
    scBottom,
    scEndScroll
};

// A scroll bar that reports every move the user makes, with its kind and the new position: each
// arrow or page step, each step of a thumb drag, the thumb's release, home and end, and an end of
// scroll that closes every user action. Moves the program makes report nothing.
class TScrollBar : public QScrollBar {
    Q_OBJECT

public:
    TScrollBar(const QString& name, QWidget* parent);

signals:
    void Scrolled(TScrollCode code, int position);

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;

private:
    void ReportAction(int action);

    bool userActing_ = false;
};
