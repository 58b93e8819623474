// SPDX-License-Identifier: GPL-2.0-or-later
// The video area and the debug panel.

#include "app/TPanel.h"
#include "app/TVideoPanel.h"
#include "graph/Halvion.h"
#include "player/TfrmMain.h"

void TfrmMain::Panel4Resize() {
    // The video keeps its size and is centred in the whole inside of the area, bevel and seek bar
    // included; division truncates toward zero, so a too-small area clips it on both sides.
    PanelVideo->move((Panel4->width() - PanelVideo->width()) / 2, PanelVideo->y());
    PanelVideo->move(PanelVideo->x(), (Panel4->height() - PanelVideo->height()) / 2);
}

void TfrmMain::Panel4DblClick() {
    Panel5->setVisible(Panel5->isHidden());
}

void TfrmMain::Button2Click() {
    if (Player) {
        Player->ListFilters(*this);
    }
}

void TfrmMain::Button1Click() {
    if (Player) {
        Player->TestRenderFile("e:\\x\\x.m2p");
    }
}
