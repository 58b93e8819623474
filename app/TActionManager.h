// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QObject>
#include <QString>
#include <vector>

class TAction;
class TImageList;

// One item of an action bar: an action and the caption the item shows (empty: the action's own).
struct TActionClientItem {
    TAction* Action;
    QString Caption;
};

// A bar the action manager describes: a toolbar's items, or a menu under its caption.
struct TActionBarDescription {
    QString Caption;
    std::vector<TActionClientItem> Items;
};

// The window's commands, the images they show, and the bars that offer them.
class TActionManager : public QObject {
    Q_OBJECT

public:
    TActionManager(const TImageList& images, QObject* parent);

    const TImageList& Images() const { return images_; }

    TAction* AddAction(const QString& name, const QString& category, const QString& caption, int imageIndex);
    const std::vector<TAction*>& Actions() const { return actions_; }

    // The bars: the first feeds the toolbar; the second, a menu, is attached to no control.
    std::vector<TActionBarDescription> ActionBars;

private:
    const TImageList& images_;
    std::vector<TAction*> actions_;
};
