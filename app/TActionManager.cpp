// SPDX-License-Identifier: GPL-2.0-or-later
#include "app/TActionManager.h"

#include "app/TAction.h"

TActionManager::TActionManager(const TImageList& images, QObject* parent) : QObject(parent), images_(images) {
    setObjectName(QStringLiteral("ActionManager1"));
}

TAction* TActionManager::AddAction(const QString& name, const QString& category, const QString& caption,
                                   int imageIndex) {
    auto* action = new TAction(name, category, caption, imageIndex, this);
    actions_.push_back(action);
    return action;
}
