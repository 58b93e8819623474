#include "app/TActionCheckBox.h"

#include "app/TAction.h"

TActionCheckBox::TActionCheckBox(TAction& action, QWidget* parent) : QCheckBox(parent), action_(action) {
    setText(action.Caption());
    // The caption may hold an "&" letter; the box, like the toolbar, is worked without shortcuts.
    setShortcut(QKeySequence());
    FollowAction();
    connect(&action, &TAction::Changed, this, &TActionCheckBox::FollowAction);
}

void TActionCheckBox::nextCheckState() {
    // The box does not flip itself: the action's handler decides, and the box follows.
    action_.Execute();
    FollowAction();
}

void TActionCheckBox::FollowAction() {
    setChecked(action_.Checked());
}
