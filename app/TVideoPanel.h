// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QWidget>

// The panel the video picture is drawn into: the window's only native window, whose handle goes to
// the video sink. The toolkit never paints it, so nothing covers the picture; it reports when the
// picture needs drawing again instead. Where no picture is drawn, the X server shows the panel's face.
class TVideoPanel : public QWidget {
    Q_OBJECT

public:
    TVideoPanel(const QString& name, QWidget* parent);

    // The native window's handle, made (with its background) on the first call.
    WId NativeWindow();

    QPaintEngine* paintEngine() const override { return nullptr; }

signals:
    // The window was uncovered or resized: a paused picture must be drawn again.
    void Exposed();
    // The panel moved to a screen of its own device pixel ratio: the picture must be placed again.
    void ScaleChanged();

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;
    // Keeps a double-click on the picture from reaching the video area around it.
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    bool backgroundSet_ = false;
};
