// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QWidget>

class TDockLayout;

// A thin bar docked beside a control that the user drags to change that control's height (a top
// splitter) or width (a left splitter). While dragging, the new edge is drawn as a line; the size is
// applied on release. A size of the minimum or less collapses the control to zero, and the client
// control beyond keeps at least the minimum.
class TSplitter : public QWidget {
    Q_OBJECT

public:
    static constexpr int kMinSize = 30;

    // `control` is the docked control the splitter resizes; both sit in `dock`.
    TSplitter(const QString& name, TDockLayout& dock, QWidget& control, QWidget* parent);

    // The size a drag that moves the splitter by `delta` pixels (down or right positive) gives the
    // control, starting from `startSize`, with the other docked controls as they are now.
    int SizeAfterDrag(int startSize, int delta) const;

    // The line drawn while dragging; hidden otherwise.
    const QWidget& DragLine() const { return *line_; }

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    bool Vertical() const;
    int Delta(QMouseEvent* event) const;

    TDockLayout& dock_;
    QWidget& control_;
    QWidget* line_;
    bool dragging_ = false;
    QPoint pressAt_;
    int startSize_ = 0;
};
