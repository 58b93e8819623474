// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "app/TImageList.h"
#include "app/TScrollBar.h"
#include "graph/GraphInterfaces.h"
#include "graph/GraphSystem.h"
#include "graph/WindowLinks.h"
#include "player/DeviceScreen.h"
#include "player/PlaySettings.h"

#include <QWidget>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>

class MonitorWatch;
class QLabel;
class QPoint;
class QPlainTextEdit;
class QPushButton;
class QStatusBar;
class QTimer;
class TAction;
class TActionCheckBox;
class TActionManager;
class TActionToolBar;
class TDirectoryListBox;
class TDockLayout;
class TDriveComboBox;
class TFileListBox;
class TFilterComboBox;
class THalvion;
class TLabeledEdit;
class TPanel;
class TSplitter;
class TVideoPanel;
class HandlerDispatcher;

// The program's one window: a toolbar of transport commands, the option strip, the video area with
// its seek bar, the hidden debug panel, the file browser and an empty status bar. All of its
// behaviour is in the handlers below; each runs through the application's error box, so an error
// escaping one is shown and the program goes on.
//
// The window is also what the playback object borrows: the seek bar, its error box and the debug
// memo's lines (see graph/WindowLinks.h).
enum class Arrival;
struct PathFacts;
class StartAhead;

class TfrmMain : public QWidget, public SeekBarLink, public ErrorBoxLink, public TextSinkLink {
    Q_OBJECT

public:
    // The graph system is what the playback object builds its graphs with: GStreamer in the program,
    // a scripted fake in tests of the window's logic.
    explicit TfrmMain(std::shared_ptr<IGraphSystem> graphSystem, QWidget* parent = nullptr);
    ~TfrmMain() override;

    TfrmMain(const TfrmMain&) = delete;
    TfrmMain& operator=(const TfrmMain&) = delete;

    // The controls and components. The window owns them all.
    TActionManager* ActionManager1 = nullptr;
    TAction* ActionPlay = nullptr;
    TAction* ActionExit = nullptr;
    TActionToolBar* ActionToolBar1 = nullptr;
    QStatusBar* StatusBar1 = nullptr;
    TPanel* PanelFile = nullptr;
    TSplitter* Splitter1 = nullptr;
    TPanel* Panel2 = nullptr;
    TDriveComboBox* DriveComboBox1 = nullptr;
    TDirectoryListBox* DirectoryListBox1 = nullptr;
    TPanel* Panel3 = nullptr;
    TFileListBox* FileListBox1 = nullptr;
    TFilterComboBox* FilterComboBox1 = nullptr;
    TPanel* Panel4 = nullptr;
    QTimer* Timer1 = nullptr;
    TScrollBar* ScrollBar1 = nullptr;
    TAction* ActionStop = nullptr;
    TSplitter* Splitter2 = nullptr;
    TAction* ActionNext = nullptr;
    TAction* ActionPrev = nullptr;
    TImageList ImageList1;
    TPanel* Panel5 = nullptr;
    QPlainTextEdit* Memo1 = nullptr;
    QPushButton* Button2 = nullptr;
    QPushButton* Button1 = nullptr;
    TPanel* PanelOption = nullptr;
    TAction* ActionEnableVideo = nullptr;
    TAction* ActionEnableAudio = nullptr;
    TAction* ActionResume = nullptr;
    TActionCheckBox* chkEnableVideo = nullptr;
    TActionCheckBox* chkEnableAudio = nullptr;
    TVideoPanel* PanelVideo = nullptr;
    TActionCheckBox* CheckBox1 = nullptr;
    TAction* ActionPlus30 = nullptr;
    TAction* ActionPlus60 = nullptr;
    TAction* ActionPlus90 = nullptr;
    TAction* ActionPause = nullptr;
    TLabeledEdit* edTime = nullptr;
    TLabeledEdit* edBitRate = nullptr;
    TLabeledEdit* edSize = nullptr;
    TAction* ActionPlus15 = nullptr;
    TAction* ActionRew15 = nullptr;
    TAction* ActionRew5 = nullptr;
    TAction* ActionPlus5 = nullptr;

    // SeekBarLink: ScrollBar1's maximum and position; a move made here raises no scroll event.
    void SetMax(int maximum) override;
    void SetPosition(int position) override;
    // ErrorBoxLink: a modal box over the window with the caption, the text and one OK button.
    void ShowError(const std::string& caption, const std::string& text) override;
    // True while that box is open. Its own event loop delivers events meanwhile; the dispatcher drops
    // the timer's ticks, but a tick called otherwise must not act either.
    bool ErrorBoxShowing() const { return errorBoxesOpen_ > 0; }
    // TextSinkLink: appends a line to Memo1.
    void AppendLine(const std::string& line) override;

    // The handlers, each wired to its event or action when the window is built.
    void FormCreate();
    void FormDestroy();
    void ActionPlayExecute();
    void ActionExitExecute();
    void FileListBox1DblClick();
    void Timer1Timer();
    void ScrollBar1Scroll(TScrollCode ScrollCode, int ScrollPos);
    void ActionStopExecute();
    void Button2Click();
    void Panel4Resize();
    void ActionPrevExecute();
    void ActionNextExecute();
    void Panel4DblClick();
    void Button1Click();
    void ActionEnableVideoExecute();
    void ActionEnableAudioExecute();
    void ActionResumeExecute();
    void FormShow();
    void ActionPlus30Execute();
    void ActionPlus60Execute();
    void ActionPlus90Execute();
    void ActionPauseExecute();
    void ActionPlus15Execute();
    void ActionRew5Execute();
    void ActionRew15Execute();
    void ActionPlus5Execute();
    // The context menu of 音声出力 (the device's sound output), and a choice made in it.
    void chkEnableAudioContextPopup(const QPoint& where);
    void AudioOutputClick(const std::string& name);
    // The context menu of 映像出力 (the device's picture: monitor and full screen), and a choice made
    // in it.
    void chkEnableVideoContextPopup(const QPoint& where);
    void DeviceScreenClick(const DeviceScreenChoice& choice);
    // Works out where the device's picture goes now and tells the graph: after the settings are read,
    // after a choice, and whenever a monitor comes, goes or the window moves to another one.
    void PlaceDeviceScreen();
    DevicePlacement DevicePlacementFor(const DeviceScreenChoice& choice);

    // The controller's operations behind the handlers.
    void OpenSelectedFile();
    void PlayNextFile();
    void PlayPreviousFile();
    void LoadSettings();
    void SaveSettings();
    // A file or folder named from outside (command line, drop): see player/OpenPath.cpp.
    void OpenPath(const std::string& path);
    // Whether the start still waits for the file-system worker's answer about the stored place or
    // the path it was given.
    bool StartPending() const { return pendingStart_ != nullptr; }

    // The file or folder the program was started with; when set, it is opened at the first showing
    // in place of the resume, since the user asked for it.
    std::string StartPath;
    // Whether the first showing has opened what the start opens (the start's path or the resume).
    bool StartedUp() const { return startedUp_; }
    // The file this start plays, built while the window was made; the first open of that file takes
    // it over, and a user's act before it drops it.
    void BuildAhead(std::unique_ptr<StartAhead> ahead);
    // A fault in what the program was started with (a URI that names no local file): shown in the
    // error box at the first showing, and the start goes on as one without a file.
    std::string StartFault;

    // The playback object, for tests and the debug tools; the window owns it.
    THalvion* PlayerObject() const { return Player.get(); }
    // Decides when what arrives from outside a handler runs (see player/HandlerDispatcher.h).
    HandlerDispatcher& Dispatcher() const { return *dispatcher_; }

signals:
    // A file was opened for playing, even the one already open: to clients outside, a new track.
    void FileOpened();
    // The position jumped within the open file at a command (a skip, the seek bar, the resume), as
    // opposed to moving on as it plays.
    void PositionJumped();
    // Playback started, paused, went on from a pause, or stopped, whichever road led there (a button,
    // a media key, the end of the list).
    void PlaybackChanged();
    // The window has closed: the run is over, and nothing that arrives from now on is taken.
    void Closed();

protected:
    // The first showing runs FormShow.
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    bool startedUp_ = false;
    // The start's rest (the selection, the open, the seek, the play) until the worker answers.
    struct PendingStart {
        PlaySettings stored;
        std::string path;
    };
    std::shared_ptr<PendingStart> pendingStart_;
    unsigned long pathsAsked_ = 0;
    void CheckStartPath(const std::shared_ptr<PendingStart>& start);
    void CheckStoredPlace(const std::shared_ptr<PendingStart>& start);
    template <typename Answer, typename LookUp, typename Land>
    void AnswerStart(const std::shared_ptr<PendingStart>& start, LookUp lookUp, Land land);
    // The user acted first: the start's rest is not done.
    void DropPendingStart();
    std::unique_ptr<StartAhead> startAhead_;
    // Whether the playback object carries on with the build ahead of the file instead of building it.
    bool TakeBuildAhead(const std::string& path);
    // then, run inside the call that asked when it comes at once, else as an arrival of its own.
    std::function<void()> Later(Arrival arrival, std::function<void()> then);
    void OpenPathFound(const std::string& path, const PathFacts& facts);
    void SelectAndPlay(const std::string& path, const std::string& name);
    void WriteSettings(const PlaySettings& current);
    void CreateActions();
    void CreateToolBar();
    void CreateOptionPanel();
    void CreateVideoArea();
    void CreateDebugPanel();
    void CreateFileArea();
    void CreateStatusBar();
    void SetTabOrder();
    void WireHandlers();

    HandlerDispatcher* dispatcher_ = nullptr;
    // The close has been taken: the run is over once, however often the window is asked to close.
    bool closeTaken_ = false;
    TDockLayout* dock_ = nullptr;
    bool shownOnce_ = false;
    int errorBoxesOpen_ = 0;
    // Files in a row whose end came without a length (their graph could not be built), counted by the
    // timer's steps to the next file; a command of the user's starts the count again.
    int unplayableInRow_ = 0;

    std::shared_ptr<IGraphSystem> graphSystem_;

    // The playback object, made by FormCreate, and the position a resume at start-up goes to.
    std::unique_ptr<THalvion> Player;
    MediaTime ResumePosition = 0;
    // The descriptions of the sound outputs seen in this run, by name: a chosen output that is gone
    // is still shown by the description the user knows it by.
    std::map<std::string, std::string> seenAudioOutputs_;
    // Where the user wants the device's picture, and the X server's monitors as they are now.
    DeviceScreenChoice deviceScreen_;
    MonitorWatch* monitors_ = nullptr;
    bool screenWatched_ = false;
};
