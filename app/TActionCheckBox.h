// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QCheckBox>

class TAction;

// A check box that shows an action's caption and checked state at all times. A click runs the
// action's handler once; the box then shows whatever state the handler left.
class TActionCheckBox : public QCheckBox {
    Q_OBJECT

public:
    TActionCheckBox(TAction& action, QWidget* parent);

protected:
    void nextCheckState() override;

private:
    void FollowAction();

    TAction& action_;
};
