// SPDX-License-Identifier: GPL-2.0-or-later
// The context menu of the check box 音声出力, where the user picks the device's sound output.

#include "app/TActionCheckBox.h"
#include "graph/Halvion.h"
#include "player/AudioOutputMenu.h"
#include "player/HandlerDispatcher.h"
#include "player/TfrmMain.h"

#include <QActionGroup>
#include <QMenu>

void TfrmMain::chkEnableAudioContextPopup(const QPoint& where) {
    const std::vector<SoundOutput> listed = graphSystem_->ListSoundOutputs();
    for (const SoundOutput& output : listed) {
        seenAudioOutputs_[output.Name] = output.Description;
    }
    // Shown without a loop of its own: a choice comes back as a handler like any other.
    auto* menu = new QMenu(this);
    menu->setObjectName(QStringLiteral("PopupAudioOutput"));
    menu->setAttribute(Qt::WA_DeleteOnClose);
    auto* group = new QActionGroup(menu);
    for (const AudioOutputEntry& entry :
         AudioOutputEntries(listed, Player->ChosenAudioOutput(), seenAudioOutputs_)) {
        QAction* item = menu->addAction(QString::fromStdString(entry.Text));
        item->setCheckable(true);
        item->setChecked(entry.Chosen);
        group->addAction(item);
        connect(item, &QAction::triggered, this, [this, name = entry.Name] {
            dispatcher_->Arrive(Arrival::UserInput, [this, name] { AudioOutputClick(name); });
        });
    }
    menu->popup(chkEnableAudio->mapToGlobal(where));
}

void TfrmMain::AudioOutputClick(const std::string& name) {
    Player->SetAudioOutput(name);
}
