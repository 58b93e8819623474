// SPDX-License-Identifier: GPL-2.0-or-later
#include "app/TAction.h"

#include "app/HandlerGuard.h"

TAction::TAction(const QString& name, const QString& category, const QString& caption, int imageIndex,
                 QObject* parent)
    : QObject(parent), category_(category), caption_(caption), imageIndex_(imageIndex) {
    setObjectName(name);
}

void TAction::SetChecked(bool checked) {
    if (checked_ == checked) {
        return;
    }
    checked_ = checked;
    emit Changed();
}

void TAction::SetOnExecute(std::function<void()> handler) {
    onExecute_ = std::move(handler);
}

void TAction::Execute() {
    if (onExecute_) {
        RunHandler(onExecute_);
    }
}
