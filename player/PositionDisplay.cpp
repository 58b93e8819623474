// SPDX-License-Identifier: GPL-2.0-or-later
// The position display and the seek bar, driven by the 500 ms timer and the bar's scroll events.

#include "app/TLabeledEdit.h"
#include "browser/TFileListBox.h"
#include "graph/Halvion.h"
#include "player/PositionText.h"
#include "player/TfrmMain.h"

#include <algorithm>

void TfrmMain::Timer1Timer() {
    // A tick inside the playback object's error box would run in the middle of the command that opened
    // it, and could open a file inside the opening of another. The dispatcher drops the timer's ticks
    // while a box is open; this holds for a tick called by other roads as well.
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
        unplayableInRow_ = Player->EndedWithoutLength() ? unplayableInRow_ + 1 : 0;
        // When every file of the list has failed in turn, going round again would only fail again,
        // for ever and at full speed: playback stops instead.
        if (unplayableInRow_ >= std::max(FileListBox1->Count(), 1)) {
            unplayableInRow_ = 0;
            Player->Stop();
            Player->EndReached = false;
            return;
        }
        PlayNextFile();
    }
}

void TfrmMain::ScrollBar1Scroll(TScrollCode, int ScrollPos) {
    Player->SeekToBarPosition(ScrollPos);
    emit PositionJumped();
}
