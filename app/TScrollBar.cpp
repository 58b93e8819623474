// SPDX-License-Identifier: GPL-2.0-or-later
#include "app/TScrollBar.h"

#include <QKeyEvent>
#include <QMouseEvent>

TScrollBar::TScrollBar(const QString& name, QWidget* parent) : QScrollBar(Qt::Horizontal, parent) {
    setObjectName(name);
    connect(this, &QAbstractSlider::actionTriggered, this, &TScrollBar::ReportAction);
    connect(this, &QAbstractSlider::sliderReleased, this,
            [this] { emit Scrolled(scPosition, sliderPosition()); });
}

void TScrollBar::ReportAction(int action) {
    // The slider position already holds the new place; the value follows after this signal.
    static constexpr struct {
        int action;
        TScrollCode code;
    } kCodes[] = {
        {SliderSingleStepSub, scLineUp}, {SliderSingleStepAdd, scLineDown},
        {SliderPageStepSub, scPageUp},   {SliderPageStepAdd, scPageDown},
        {SliderMove, scTrack},           {SliderToMinimum, scTop},
        {SliderToMaximum, scBottom},
    };
    for (const auto& entry : kCodes) {
        if (entry.action == action) {
            userActing_ = true;
            emit Scrolled(entry.code, sliderPosition());
            return;
        }
    }
}

void TScrollBar::mouseReleaseEvent(QMouseEvent* event) {
    QScrollBar::mouseReleaseEvent(event);
    if (userActing_) {
        userActing_ = false;
        emit Scrolled(scEndScroll, value());
    }
}

void TScrollBar::keyReleaseEvent(QKeyEvent* event) {
    QScrollBar::keyReleaseEvent(event);
    if (userActing_ && !event->isAutoRepeat()) {
        userActing_ = false;
        emit Scrolled(scEndScroll, value());
    }
}
