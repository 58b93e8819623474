// SPDX-License-Identifier: GPL-2.0-or-later
// The window's life as the player sees it: creation, first showing with the stored settings and the
// resume, destruction with the settings saved, and the three options.

#include "app/ErrorBox.h"
#include "app/HandlerGuard.h"
#include "app/SessionEnd.h"
#include "app/TAction.h"
#include "app/TVideoPanel.h"
#include "app/WindowSystemChoice.h"
#include "app/Winplace.h"
#include "browser/FileSystemWorker.h"
#include "browser/FolderVisit.h"
#include "browser/TDirectoryListBox.h"
#include "browser/TFileListBox.h"
#include "browser/TFilterComboBox.h"
#include "core/ProfileFile.h"
#include "core/SettingsFileName.h"
#include "core/SettingsLock.h"
#include "core/StartupMarks.h"
#include "graph/Halvion.h"
#include "player/DeviceSettings.h"
#include "player/FileDrop.h"
#include "player/HandlerDispatcher.h"
#include "player/OpenPath.h"
#include "player/PlaySettings.h"
#include "player/StartAhead.h"
#include "player/TfrmMain.h"

#include <QTimer>
#include <exception>

template <typename Answer, typename LookUp, typename Land>
void TfrmMain::AnswerStart(const std::shared_ptr<PendingStart>& start, LookUp lookUp, Land land) {
    LookUpOffThread<Answer>(this, std::function<Answer()>(std::move(lookUp)),
                            [this, start, land](Answer& answer, Landing landing) {
                                if (start != pendingStart_) {
                                    return; // the user acted first
                                }
                                if (landing == Landing::InCall) {
                                    land(answer);
                                    return;
                                }
                                dispatcher_->Arrive(Arrival::Startup, [this, start, land, answer]() mutable {
                                    if (start == pendingStart_) {
                                        RunHandler([&] { land(answer); });
                                    }
                                });
                            });
}

void TfrmMain::FormCreate() {
    setWindowTitle(QStringLiteral("Tarnwick 1.06"));
    Player = std::make_unique<THalvion>(graphSystem_, *this);
    Player->SetSeekBar(this);
    Player->PlaybackChanged = [this] { emit PlaybackChanged(); };
    if (RunningOnWayland()) {
        // Only an X window can hold the video window. Given a panel that is not one, the video window
        // would show on its own at the screen's corner, so it gets no owner and stays hidden; the
        // sound still plays. Said once, when the window is up.
        QTimer::singleShot(0, this, [] {
            ShowApplicationError(QStringLiteral("映像を表示するには X サーバー (Xwayland) が必要です. "
                                                "音声だけを再生します"));
        });
    } else {
        Player->SetOwnerWindow(static_cast<WindowHandle>(PanelVideo->NativeWindow()));
    }
    Player->SetOwnerScale(PanelVideo->devicePixelRatioF());
    connect(PanelVideo, &TVideoPanel::ScaleChanged, this, [this] {
        dispatcher_->Arrive(Arrival::ScaleChange, [this] {
            Player->SetOwnerScale(PanelVideo->devicePixelRatioF());
            // Later, once this handler and whatever it started are done.
            QTimer::singleShot(0, this, [this] {
                dispatcher_->Arrive(Arrival::StillPicture, [this] {
                    if (Player) {
                        Player->RemakeStillPicture();
                    }
                });
            });
        });
    });
    RestoreFormPlacement(*this);
    // The user's own act wins over a start still waiting for its share.
    dispatcher_->ArrivalSeen = [this](Arrival arrival) {
        if (arrival == Arrival::Drop || arrival == Arrival::MprisCall || arrival == Arrival::HandOver) {
            DropPendingStart();
            startAhead_.reset();
        }
    };
    // The start's own moves are asked once it no longer waits.
    connect(DirectoryListBox1, &TDirectoryListBox::MoveAsked, this, [this] {
        if (StartPending()) {
            DropPendingStart();
            startAhead_.reset();
        }
    });
    AcceptDroppedPaths(*this, [this](const std::string& path) {
        dispatcher_->Arrive(Arrival::Drop, [this, path] { OpenPath(path); });
    });
}

void TfrmMain::FormShow() {
    startedUp_ = true;
    if (!StartFault.empty()) {
        ShowApplicationError(QString::fromStdString(StartFault));
    }
    // A fault in the stored settings is shown, and the file the user asked for still opens.
    RunHandler([this] { LoadSettings(); });
}

void TfrmMain::FormDestroy() {
    // An error box shown below runs its own event loop; a tick in it could open the next file while
    // the window is going.
    Timer1->stop();
    // Another player sharing the settings file may be closing at the same moment; each writes both
    // of its sections whole, one after the other.
    const SettingsWriteLock writeLock(SettingsFileName());
    bool settingsSaved = false;
    try {
        SaveSettings();
        settingsSaved = true;
    } catch (const std::exception& error) {
        ShowApplicationError(QString::fromUtf8(error.what()));
    }
    // The graph goes before the controls even when the settings could not be written: a video sink
    // still drawing into a destroyed window can bring the program down at exit.
    Player.reset();
    // The placement would fail on the same file, and show the same error a second time.
    if (settingsSaved) {
        SaveFormPlacement(*this);
    }
}

void TfrmMain::LoadSettings() {
    const ProfileFile settings(SettingsFileName());
    const PlaySettings stored = ReadPlaySettings(settings);
    const DeviceSettings device = ReadDeviceSettings(settings);
    // What is written at the end now starts from what was stored, not from defaults.
    MarkSettingsRead();
    MarkStartupOnce("settings read");
    ActionEnableVideo->SetChecked(stored.EnableVideo);
    ActionEnableAudio->SetChecked(stored.EnableAudio);
    FilterComboBox1->SetFilter(stored.Filter);
    Player->SetEnableVideo(ActionEnableVideo->Checked());
    Player->SetEnableAudio(ActionEnableAudio->Checked());
    Player->SetAudioOutput(device.AudioOutput);
    deviceScreen_ = {MonitorFromSettingText(device.Monitor), device.FullScreen};
    PlaceDeviceScreen();
    ActionResume->SetChecked(stored.Resume);

    // The stored file and folder may lie on a share that sleeps or is gone: the rest of the start
    // follows the worker's answer, and whatever the user does first wins over it.
    auto start = std::make_shared<PendingStart>();
    start->stored = stored;
    start->path = StartPath;
    pendingStart_ = start;
    if (!StartPath.empty()) {
        CheckStartPath(start);
    } else {
        CheckStoredPlace(start);
    }
}

void TfrmMain::CheckStartPath(const std::shared_ptr<PendingStart>& start) {
    AnswerStart<PathFacts>(
        start, [path = start->path] { return LookUpPath(path); },
        [this, start](PathFacts& facts) {
            // A path that cannot be opened is reported, and the start goes on as if
            // none had been given.
            try {
                RequireOpenablePath(start->path, facts);
            } catch (const std::exception& error) {
                StartPath.clear();
                start->path.clear();
                startAhead_.reset();
                ShowApplicationError(QString::fromUtf8(error.what()));
                CheckStoredPlace(start);
                return;
            }
            pendingStart_.reset();
            RunHandler([this, start] { ParsePosition(start->stored.Position); });
            OpenPathFound(start->path, facts);
        });
}

void TfrmMain::CheckStoredPlace(const std::shared_ptr<PendingStart>& start) {
    struct Place {
        bool file = false;
        bool folder = false;
    };
    AnswerStart<Place>(
        start,
        [file = start->stored.File, dir = start->stored.Dir] {
            Place place;
            const PathFacts fileFacts = LookUpPath(file);
            place.file = fileFacts.Error == 0 && !fileFacts.Folder;
            place.folder = !place.file && LookUpPath(dir).Folder;
            return place;
        },
        [this, start](Place& place) {
            pendingStart_.reset();
            const PlaySettings& stored = start->stored;
            const auto resume = [this, stored] {
                ResumePosition = ParsePosition(stored.Position);
                if (stored.Resume && stored.Playing && StartPath.empty()) {
                    Player->ExpectPosition(ResumePosition);
                    OpenSelectedFile();
                    MarkStartupOnce("stored file built");
                    Player->SetPosition(ResumePosition);
                    MarkStartupOnce("stored position set");
                    emit PositionJumped();
                    Player->Play();
                    MarkStartupOnce("play asked");
                }
                // Built for a resume that did not come.
                startAhead_.reset();
            };
            if (place.file) {
                FileListBox1->GoToPath(stored.File, Later(Arrival::Startup, resume));
            } else if (place.folder) {
                DirectoryListBox1->GoTo(
                    stored.Dir, [this, resume](const FolderVisit&) { Later(Arrival::Startup, resume)(); });
            } else {
                resume();
            }
        });
}

void TfrmMain::BuildAhead(std::unique_ptr<StartAhead> ahead) {
    startAhead_ = std::move(ahead);
    if (!startAhead_) {
        return;
    }
    startAhead_->SetOwnerScale(PanelVideo->devicePixelRatioF());
    // The window has its place already; it is shown only later.
    if (const StartPlan& plan = startAhead_->Plan(); plan.enableVideo) {
        const DevicePlacement placement =
            DevicePlacementFor({MonitorFromSettingText(plan.monitor), plan.fullscreen});
        startAhead_->SetDeviceScreen(placement.monitor, placement.fullscreen);
    }
}

bool TfrmMain::TakeBuildAhead(const std::string& path) {
    const std::unique_ptr<StartAhead> ahead = std::move(startAhead_);
    if (!ahead || !ahead->HandTo(*Player, path, dispatcher_, *this)) {
        return false;
    }
    // The device's picture follows the window's place among the monitors.
    PlaceDeviceScreen();
    return true;
}

void TfrmMain::DropPendingStart() {
    pendingStart_.reset();
}

std::function<void()> TfrmMain::Later(Arrival arrival, std::function<void()> then) {
    // Inside the call that asked, the answer goes on as part of it; from the event loop, it is an
    // arrival of its own and takes its turn.
    auto asked = std::make_shared<bool>(true);
    QTimer::singleShot(0, this, [asked] { *asked = false; });
    return [this, arrival, asked, then = std::move(then)] {
        if (*asked) {
            then();
        } else {
            dispatcher_->Arrive(arrival, [then] { RunHandler(then); });
        }
    };
}

void TfrmMain::SaveSettings() {
    PlaySettings current;
    // A start still waiting for its share has played nothing and moved nowhere: what was stored
    // stays as it was.
    if (const auto start = pendingStart_) {
        current = start->stored;
        current.EnableVideo = ActionEnableVideo->Checked();
        current.EnableAudio = ActionEnableAudio->Checked();
        current.Resume = ActionResume->Checked();
        current.Filter = FilterComboBox1->Filter();
        WriteSettings(current);
        return;
    }
    current.Dir = DirectoryListBox1->CurrentDir();
    // The stored position belongs to the file that plays, which need not be the one selected.
    current.File = Player->Playing ? Player->CurrentFileName() : FileListBox1->SelectedPath();
    current.EnableVideo = ActionEnableVideo->Checked();
    current.EnableAudio = ActionEnableAudio->Checked();
    current.Resume = ActionResume->Checked();
    current.Playing = Player->Playing;
    current.Position = std::to_string(Player->GetPosition());
    current.Filter = FilterComboBox1->Filter();
    WriteSettings(current);
}

void TfrmMain::WriteSettings(const PlaySettings& current) {
    DeviceSettings device;
    device.AudioOutput = Player->ChosenAudioOutput();
    device.Monitor = MonitorSettingText(deviceScreen_.monitor);
    device.FullScreen = deviceScreen_.fullscreen;
    const ProfileFile settings(SettingsFileName());
    WritePlaySettings(settings, current);
    WriteDeviceSettings(settings, device);
}

void TfrmMain::ActionEnableVideoExecute() {
    ActionEnableVideo->SetChecked(!ActionEnableVideo->Checked());
    Player->SetEnableVideo(ActionEnableVideo->Checked());
}

void TfrmMain::ActionEnableAudioExecute() {
    ActionEnableAudio->SetChecked(!ActionEnableAudio->Checked());
    Player->SetEnableAudio(ActionEnableAudio->Checked());
}

void TfrmMain::ActionResumeExecute() {
    ActionResume->SetChecked(!ActionResume->Checked());
}
