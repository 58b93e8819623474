// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QMargins>
#include <QObject>
#include <QRect>
#include <optional>

class QWidget;

// A window's stored placement is its outer frame in the normal state, but the frame is drawn by the
// window manager: it is only known once the manager has framed the window, and a manager may draw it
// thinner round a maximised window. The watch follows a top-level window for the placement unit:
// - bounds given before the window was framed are held, and given to the window (its client area
//   sized to fit inside the frame) the first time it is seen framed in the normal state; until then
//   they are its normal bounds;
// - the frame's margins in the normal state are remembered, so that a maximised window's normal
//   bounds are its normal client area inside those margins.
// Without a window manager the frame is empty and the client area is the whole window.
class NormalFrameWatch : public QObject {
    Q_OBJECT

public:
    // The window's watch, made on first use.
    static NormalFrameWatch& Of(QWidget& window);
    // The window's watch, if it has one.
    static const NormalFrameWatch* Find(const QWidget& window);

    // Holds the outer bounds until the window is framed in the normal state; replaces earlier ones.
    void GiveWhenFramed(const QRect& outer);
    const std::optional<QRect>& Pending() const { return pending_; }
    // The frame's margins as last seen in the normal state, once the window has been seen there.
    const std::optional<QMargins>& NormalMargins() const { return normalMargins_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    explicit NormalFrameWatch(QWidget& window);
    void WatchNativeWindow();
    void Update();
    void Give(const QRect& outer, const QMargins& margins);

    QWidget* window_;
    std::optional<QRect> pending_;
    std::optional<QMargins> normalMargins_;
    // The bounds last given, the frame they were given inside, and the client size that came of it.
    struct Given {
        QRect outer;
        QMargins margins;
        QSize client;
    };
    std::optional<Given> given_;
};
