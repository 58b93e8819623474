// SPDX-License-Identifier: GPL-2.0-or-later
// The transport commands and the stepping through the file list. The file list is the play list: its
// selection is the current file, and stepping wraps round at both ends.

#include "app/TAction.h"
#include "app/TLabeledEdit.h"
#include "browser/TFileListBox.h"
#include "graph/Halvion.h"
#include "player/TfrmMain.h"

#include <QApplication>
#include <string>

void TfrmMain::ActionPlayExecute() {
    unplayableInRow_ = 0;
    if (!Player->Playing) {
        OpenSelectedFile();
    }
    Player->Play();
    ActionPause->SetChecked(Player->Paused);
}

void TfrmMain::ActionPauseExecute() {
    Player->TogglePause();
    ActionPause->SetChecked(Player->Paused);
}

void TfrmMain::ActionStopExecute() {
    Player->Stop();
}

void TfrmMain::ActionPrevExecute() {
    unplayableInRow_ = 0;
    PlayPreviousFile();
}

void TfrmMain::ActionNextExecute() {
    unplayableInRow_ = 0;
    PlayNextFile();
}

void TfrmMain::ActionRew15Execute() {
    Player->SkipSeconds(-15);
    emit PositionJumped();
}
void TfrmMain::ActionRew5Execute() {
    Player->SkipSeconds(-5);
    emit PositionJumped();
}
void TfrmMain::ActionPlus5Execute() {
    Player->SkipSeconds(5);
    emit PositionJumped();
}
void TfrmMain::ActionPlus15Execute() {
    Player->SkipSeconds(15);
    emit PositionJumped();
}
void TfrmMain::ActionPlus30Execute() {
    Player->SkipSeconds(30);
    emit PositionJumped();
}
void TfrmMain::ActionPlus60Execute() {
    Player->SkipSeconds(60);
    emit PositionJumped();
}
void TfrmMain::ActionPlus90Execute() {
    Player->SkipSeconds(90);
    emit PositionJumped();
}

void TfrmMain::ActionExitExecute() {
    QApplication::quit();
}

void TfrmMain::FileListBox1DblClick() {
    unplayableInRow_ = 0;
    OpenSelectedFile();
    Player->Play();
}

void TfrmMain::OpenSelectedFile() {
    DropPendingStart();
    if (FileListBox1->ItemIndex() < 0) {
        FileListBox1->SetItemIndex(0);
    }
    const std::string path = FileListBox1->SelectedPath();
    if (!TakeBuildAhead(path)) {
        Player->OpenFile(path);
    }
    emit FileOpened();
    edSize->setText(QStringLiteral("幅=%1 高=%2").arg(Player->VideoWidth).arg(Player->VideoHeight));
}

void TfrmMain::PlayNextFile() {
    Player->Stop();
    const int index = FileListBox1->ItemIndex();
    const int count = FileListBox1->Count();
    FileListBox1->SetItemIndex(index == count - 1 ? 0 : index + 1);
    OpenSelectedFile();
    Player->SetPosition(0);
    Player->Play();
}

void TfrmMain::PlayPreviousFile() {
    Player->Stop();
    const int index = FileListBox1->ItemIndex();
    FileListBox1->SetItemIndex(index != 0 ? index - 1 : FileListBox1->Count() - 1);
    OpenSelectedFile();
    Player->SetPosition(0);
    Player->Play();
}
