// The position display and the seek bar, driven by the 500 ms timer and the bar's scroll events.

#include "app/TLabeledEdit.h"
#include "app/TfrmMain.h"
#include "graph/Halvion.h"
#include "player/PositionText.h"

void TfrmMain::Timer1Timer() {
    // A tick that arrives while the playback object's error box is open runs inside the box's own
    // event loop, in the middle of the command that opened it; acting on it there could open a file
    // inside the opening of another.
    if (ErrorBoxShowing()) {
        return;
    }
    if (!Player->Playing) {
        return;
    }
    Player->UpdatePosition();
    const MediaTime position = Player->GetPosition();
    edTime->setText(QString::fromStdString(PositionText(position)));
    if (Player->EndReached) {
        Player->EndReached = false;
        PlayNextFile();
    }
}

void TfrmMain::ScrollBar1Scroll(TScrollCode, int ScrollPos) {
    Player->SeekToBarPosition(ScrollPos);
}
