// SPDX-License-Identifier: GPL-2.0-or-later
#include "app/TActionToolBar.h"

#include "app/TAction.h"
#include "app/TImageList.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QStyle>

namespace {
constexpr int kImageSize = 16;
constexpr int kPadding = 4;
constexpr int kImageTextGap = 3;
} // namespace

TActionToolItem::TActionToolItem(TAction& action, const QString& caption, const TImageList& images,
                                 QWidget* parent)
    : QAbstractButton(parent), action_(action) {
    setObjectName(action.objectName() + QStringLiteral("Item"));
    setText(caption.isEmpty() ? action.Caption() : caption);
    // setText takes the "&" letter as a shortcut; the toolbar is worked with the mouse only.
    setShortcut(QKeySequence());
    setIcon(images.Icon(action.ImageIndex()));
    setIconSize(QSize(kImageSize, kImageSize));
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_Hover);
    connect(this, &QAbstractButton::clicked, &action, &TAction::Execute);
    connect(&action, &TAction::Changed, this, qOverload<>(&QWidget::update));
}

QSize TActionToolItem::sizeHint() const {
    int width = 2 * kPadding + fontMetrics().horizontalAdvance(text().remove(u'&'));
    if (!icon().isNull()) {
        width += kImageSize + kImageTextGap;
    }
    return {width, 26};
}

void TActionToolItem::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QRect frame = rect().adjusted(0, 0, -1, -1);
    const QColor frameColour = palette().color(QPalette::Highlight);
    if (isDown() || action_.Checked()) {
        // The selected look: the system's button face inside a frame.
        painter.fillRect(rect(), palette().color(QPalette::Button));
        painter.setPen(frameColour);
        painter.drawRect(frame);
    } else if (hovered_) {
        painter.fillRect(rect(), TActionToolBar::HighlightColor());
        painter.setPen(frameColour);
        painter.drawRect(frame);
    }
    int x = kPadding;
    if (!icon().isNull()) {
        icon().paint(&painter, QRect(x, (height() - kImageSize) / 2, kImageSize, kImageSize));
        x += kImageSize + kImageTextGap;
    }
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(QRect(x, 0, width() - x, height()),
                     Qt::AlignVCenter | Qt::AlignLeft | Qt::TextShowMnemonic, text());
}

void TActionToolItem::enterEvent(QEnterEvent* event) {
    hovered_ = true;
    update();
    QAbstractButton::enterEvent(event);
}

void TActionToolItem::leaveEvent(QEvent* event) {
    hovered_ = false;
    update();
    QAbstractButton::leaveEvent(event);
}

QColor TActionToolBar::HighlightColor() {
    return QColor(247, 246, 238);
}

TActionToolBar::TActionToolBar(const TImageList& images, QWidget* parent)
    : QWidget(parent), images_(images), row_(new QHBoxLayout(this)) {
    row_->setContentsMargins(0, 0, 0, 0);
    row_->setSpacing(0);
    row_->addStretch(1);
}

TActionToolItem* TActionToolBar::AddItem(TAction& action, const QString& caption) {
    auto* item = new TActionToolItem(action, caption, images_, this);
    row_->insertWidget(row_->count() - 1, item);
    return item;
}

void TActionToolBar::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), HighlightColor());
}
