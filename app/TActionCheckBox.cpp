// SPDX-License-Identifier: GPL-2.0-or-later
#include "app/TActionCheckBox.h"

#include "app/TAction.h"

TActionCheckBox::TActionCheckBox(TAction& action, QWidget* parent) : QCheckBox(parent), action_(action) {
    setText(action.Caption());
    // The caption may hold an "&" letter; the box, like the toolbar, is worked without shortcuts.
    setShortcut(QKeySequence());
    FollowAction();
    connect(&action, &TAction::Changed, this, &TActionCheckBox::FollowAction);
    // Assistive technologies toggle the box directly, without a click; that too must run the action
    // once, or the box would show an option the program does not have.
    connect(this, &QCheckBox::toggled, this, [this](bool checked) {
        if (checked != action_.Checked()) {
            action_.Execute();
            FollowAction();
        }
    });
}

void TActionCheckBox::nextCheckState() {
    // The box does not flip itself: the action's handler decides, and the box follows.
    action_.Execute();
    FollowAction();
}

void TActionCheckBox::FollowAction() {
    setChecked(action_.Checked());
}
