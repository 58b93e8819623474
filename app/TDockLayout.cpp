// SPDX-License-Identifier: GPL-2.0-or-later
#include "app/TDockLayout.h"

#include <QWidget>
#include <algorithm>
#include <stdexcept>

namespace {
bool Vertical(TAlign align) {
    return align == TAlign::Top || align == TAlign::Bottom;
}
} // namespace

TDockLayout::TDockLayout(QWidget* parent) : QLayout(parent) {
    setContentsMargins(0, 0, 0, 0);
    setSpacing(0);
    setSizeConstraint(QLayout::SetNoConstraint);
}

TDockLayout::~TDockLayout() {
    for (Entry& entry : entries_) {
        delete entry.item;
    }
}

void TDockLayout::AddDocked(QWidget* control, TAlign align, int size) {
    addChildWidget(control);
    entries_.push_back({new QWidgetItem(control), true, align, std::max(size, 0), {}, {}, 0});
    invalidate();
}

void TDockLayout::AddAnchored(QWidget* control, QRect bounds, QSize designedParent, int anchors) {
    addChildWidget(control);
    entries_.push_back({new QWidgetItem(control), false, TAlign::Client, 0, bounds, designedParent, anchors});
    invalidate();
}

const TDockLayout::Entry* TDockLayout::Find(const QWidget* control) const {
    for (const Entry& entry : entries_) {
        if (entry.item->widget() == control) {
            return &entry;
        }
    }
    return nullptr;
}

TDockLayout::Entry* TDockLayout::Find(const QWidget* control) {
    return const_cast<Entry*>(std::as_const(*this).Find(control));
}

int TDockLayout::DockedSize(const QWidget* control) const {
    const Entry* entry = Find(control);
    if (entry == nullptr || !entry->docked) {
        throw std::invalid_argument("not a docked control");
    }
    return entry->size;
}

void TDockLayout::SetDockedSize(const QWidget* control, int size) {
    Entry* entry = Find(control);
    if (entry == nullptr || !entry->docked) {
        throw std::invalid_argument("not a docked control");
    }
    entry->size = std::max(size, 0);
    invalidate();
    activate();
}

TAlign TDockLayout::DockedAlign(const QWidget* control) const {
    const Entry* entry = Find(control);
    if (entry == nullptr || !entry->docked) {
        throw std::invalid_argument("not a docked control");
    }
    return entry->align;
}

int TDockLayout::FreeRoom(TAlign axis) const {
    // The layout forgets its own geometry whenever it is invalidated, so the parent's is taken.
    const QRect area =
        parentWidget() == nullptr ? QRect() : parentWidget()->rect().marginsRemoved(contentsMargins());
    int room = Vertical(axis) ? area.height() : area.width();
    for (const Entry& entry : entries_) {
        if (entry.docked && entry.align != TAlign::Client && Vertical(entry.align) == Vertical(axis) &&
            !entry.item->isEmpty()) {
            room -= entry.size;
        }
    }
    return room;
}

void TDockLayout::addItem(QLayoutItem* item) {
    // Only the Add functions know where a control goes; an item added otherwise sits at the top.
    entries_.push_back({item, true, TAlign::Top, item->sizeHint().height(), {}, {}, 0});
}

QLayoutItem* TDockLayout::itemAt(int index) const {
    if (index < 0 || index >= count()) {
        return nullptr;
    }
    return entries_[static_cast<size_t>(index)].item;
}

QLayoutItem* TDockLayout::takeAt(int index) {
    if (index < 0 || index >= count()) {
        return nullptr;
    }
    QLayoutItem* item = entries_[static_cast<size_t>(index)].item;
    entries_.erase(entries_.begin() + index);
    return item;
}

int TDockLayout::count() const {
    return static_cast<int>(entries_.size());
}

QSize TDockLayout::sizeHint() const {
    return parentWidget() == nullptr ? QSize() : parentWidget()->size();
}

QSize TDockLayout::minimumSize() const {
    // The window may be made as small as the user likes; docked controls are then clipped.
    return {0, 0};
}

void TDockLayout::setGeometry(const QRect& rect) {
    QLayout::setGeometry(rect);
    QRect free = contentsRect();
    auto place = [](const Entry& entry, QRect bounds) { entry.item->widget()->setGeometry(bounds); };
    for (TAlign align : {TAlign::Top, TAlign::Bottom, TAlign::Left, TAlign::Right}) {
        for (const Entry& entry : entries_) {
            if (!entry.docked || entry.align != align || entry.item->isEmpty()) {
                continue;
            }
            switch (align) {
            case TAlign::Top:
                place(entry, QRect(free.left(), free.top(), free.width(), entry.size));
                free.setTop(free.top() + entry.size);
                break;
            case TAlign::Bottom:
                place(entry, QRect(free.left(), free.bottom() + 1 - entry.size, free.width(), entry.size));
                free.setBottom(free.bottom() - entry.size);
                break;
            case TAlign::Left:
                place(entry, QRect(free.left(), free.top(), entry.size, free.height()));
                free.setLeft(free.left() + entry.size);
                break;
            case TAlign::Right:
                place(entry, QRect(free.right() + 1 - entry.size, free.top(), entry.size, free.height()));
                free.setRight(free.right() - entry.size);
                break;
            case TAlign::Client:
                break;
            }
        }
    }
    for (const Entry& entry : entries_) {
        if (entry.docked && entry.align == TAlign::Client && !entry.item->isEmpty()) {
            place(entry, QRect(free.topLeft(), QSize(std::max(free.width(), 0), std::max(free.height(), 0))));
        }
    }
    const QSize parent = rect.size();
    for (const Entry& entry : entries_) {
        if (entry.docked) {
            continue;
        }
        QRect bounds = entry.bounds;
        const int rightGap = entry.designedParent.width() - entry.bounds.right() - 1;
        const int bottomGap = entry.designedParent.height() - entry.bounds.bottom() - 1;
        if ((entry.anchors & akRight) && (entry.anchors & akLeft)) {
            bounds.setWidth(std::max(parent.width() - rightGap - bounds.left(), 0));
        } else if (entry.anchors & akRight) {
            bounds.moveLeft(parent.width() - rightGap - bounds.width());
        }
        if ((entry.anchors & akBottom) && (entry.anchors & akTop)) {
            bounds.setHeight(std::max(parent.height() - bottomGap - bounds.top(), 0));
        } else if (entry.anchors & akBottom) {
            bounds.moveTop(parent.height() - bottomGap - bounds.height());
        }
        place(entry, bounds);
    }
}
