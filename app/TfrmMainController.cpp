// The controller's handlers: the start-up and shutdown, the transport commands, the position display
// and the options. The window wires each to its event or action.

#include "app/TAction.h"
#include "app/TfrmMain.h"
#include "app/Winplace.h"
#include "graph/Halvion.h"

void TfrmMain::FormCreate() {
    setWindowTitle(QStringLiteral("Tarnwick 1.06"));
    RestoreFormPlacement(*this);
}

void TfrmMain::FormDestroy() {
    SaveFormPlacement(*this);
}

void TfrmMain::FormShow() {}

void TfrmMain::ActionPlayExecute() {}
void TfrmMain::ActionExitExecute() {}
void TfrmMain::FileListBox1DblClick() {}
void TfrmMain::Timer1Timer() {}
void TfrmMain::ScrollBar1Scroll(TScrollCode, int) {}
void TfrmMain::ActionStopExecute() {}
void TfrmMain::ActionPrevExecute() {}
void TfrmMain::ActionNextExecute() {}
void TfrmMain::ActionPlus30Execute() {}
void TfrmMain::ActionPlus60Execute() {}
void TfrmMain::ActionPlus90Execute() {}
void TfrmMain::ActionPauseExecute() {}
void TfrmMain::ActionPlus15Execute() {}
void TfrmMain::ActionRew5Execute() {}
void TfrmMain::ActionRew15Execute() {}
void TfrmMain::ActionPlus5Execute() {}

void TfrmMain::ActionEnableVideoExecute() {
    ActionEnableVideo->SetChecked(!ActionEnableVideo->Checked());
}

void TfrmMain::ActionEnableAudioExecute() {
    ActionEnableAudio->SetChecked(!ActionEnableAudio->Checked());
}

void TfrmMain::ActionResumeExecute() {
    ActionResume->SetChecked(!ActionResume->Checked());
}
