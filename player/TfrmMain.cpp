// SPDX-License-Identifier: GPL-2.0-or-later
#include "player/TfrmMain.h"

#include "app/AfterFirstPaint.h"
#include "app/HandlerGuard.h"
#include "app/TAction.h"
#include "app/TActionCheckBox.h"
#include "app/TActionManager.h"
#include "app/TActionToolBar.h"
#include "app/TDockLayout.h"
#include "app/TLabeledEdit.h"
#include "app/TPanel.h"
#include "app/TSplitter.h"
#include "app/TVideoPanel.h"
#include "app/WindowFont.h"
#include "app/Winplace.h"
#include "browser/TDirectoryListBox.h"
#include "browser/TDriveComboBox.h"
#include "browser/TFileListBox.h"
#include "browser/TFilterComboBox.h"
#include "browser/UserActions.h"
#include "graph/Halvion.h"
#include "player/HandlerDispatcher.h"
#include "player/StartAhead.h"

#include <QCloseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTimer>

namespace {
constexpr int kDesignedLeft = 273;
constexpr int kDesignedTop = 63;
constexpr int kDesignedClientWidth = 701;
constexpr int kDesignedClientHeight = 788;
constexpr int kPanelBorderWidth = 4;
constexpr int kTimerInterval = 500;
constexpr int kAllEdges = akLeft | akTop | akRight | akBottom;
// A drop-down keeps the height its font gives it, whatever its anchors say.
constexpr int kDropDownAnchors = akLeft | akTop | akRight;
} // namespace

TfrmMain::TfrmMain(std::shared_ptr<IGraphSystem> graphSystem, QWidget* parent)
    : QWidget(parent), ImageList1(TImageList::TransportImages()), graphSystem_(std::move(graphSystem)) {
    dispatcher_ = new HandlerDispatcher(*this);
    if (graphSystem_) {
        graphSystem_->SetWaitListener(dispatcher_);
    }
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("frmMain"));
    setFont(WindowFont());
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Button);
    move(kDesignedLeft, kDesignedTop);
    resize(kDesignedClientWidth, kDesignedClientHeight);
    dock_ = new TDockLayout(this);

    CreateActions();
    CreateToolBar();
    CreateOptionPanel();
    CreateVideoArea();
    CreateDebugPanel();
    CreateFileArea();
    CreateStatusBar();
    SetTabOrder();
    WireHandlers();

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(kTimerInterval);
    connect(Timer1, &QTimer::timeout, this,
            [this] { dispatcher_->Arrive(Arrival::TimerTick, [this] { Timer1Timer(); }); });
    Timer1->start();

    RunHandler([this] { FormCreate(); });
}

TfrmMain::~TfrmMain() {
    // What was queued is not run any more, and the shutdown's own waits for the graph block: nothing
    // is left to draw, and nothing that comes meanwhile is to be taken.
    dispatcher_->WindowClosed();
    startAhead_.reset();
    RunHandler([this] { FormDestroy(); });
    // The playback object lets go of the video panel and the seek bar before the controls go.
    Player.reset();
    if (graphSystem_) {
        graphSystem_->SetWaitListener(nullptr);
    }
}

void TfrmMain::CreateActions() {
    ActionManager1 = new TActionManager(ImageList1, this);
    auto add = [this](const char* name, const char* category, const QString& caption, int image) {
        return ActionManager1->AddAction(QString::fromLatin1(name), QString::fromLatin1(category), caption,
                                         image);
    };
    ActionPlay = add("ActionPlay", "Play", QStringLiteral("再生"), 0);
    ActionPause = add("ActionPause", "Play", QStringLiteral("一時停止"), 4);
    ActionStop = add("ActionStop", "Play", QStringLiteral("停止"), 1);
    ActionExit = add("ActionExit", "File", QStringLiteral("ActionExit"), -1);
    ActionPrev = add("ActionPrev", "Play", QStringLiteral("前のファイル"), 2);
    ActionNext = add("ActionNext", "Play", QStringLiteral("次のファイル"), 3);
    ActionEnableVideo = add("ActionEnableVideo", "Play", QStringLiteral("映像出力"), -1);
    ActionEnableAudio = add("ActionEnableAudio", "Play", QStringLiteral("音声出力"), -1);
    ActionResume = add("ActionResume", "Play", QStringLiteral("次回起動時、終了した所から再生"), -1);
    ActionRew15 = add("ActionRew15", "Play", QStringLiteral("-15秒"), -1);
    ActionRew5 = add("ActionRew5", "Play", QStringLiteral("-5秒"), -1);
    ActionPlus5 = add("ActionPlus5", "Play", QStringLiteral("+5秒"), -1);
    ActionPlus15 = add("ActionPlus15", "Play", QStringLiteral("+15秒"), -1);
    ActionPlus30 = add("ActionPlus30", "Play", QStringLiteral("+30秒"), -1);
    ActionPlus60 = add("ActionPlus60", "Play", QStringLiteral("+60秒"), -1);
    ActionPlus90 = add("ActionPlus90", "Play", QStringLiteral("+90秒"), -1);

    ActionManager1->ActionBars = {
        {QString(),
         {{ActionPlay, QStringLiteral("再生(&Z)")},
          {ActionPause, QString()},
          {ActionStop, QStringLiteral("停止(&Y)")},
          {ActionPrev, QStringLiteral("前のファイル(&X)")},
          {ActionNext, QStringLiteral("次のファイル(&W)")},
          {ActionRew15, QString()},
          {ActionRew5, QString()},
          {ActionPlus5, QString()},
          {ActionPlus15, QString()},
          {ActionPlus30, QString()},
          {ActionPlus60, QString()},
          {ActionPlus90, QString()}}},
        // A menu bar that no control shows; the exit command is reached only by closing the window.
        {QStringLiteral("&File"), {{ActionPlay, QString()}, {ActionExit, QStringLiteral("A&ctionExit")}}},
    };
}

void TfrmMain::CreateToolBar() {
    ActionToolBar1 = new TActionToolBar(ImageList1, this);
    ActionToolBar1->setObjectName(QStringLiteral("ActionToolBar1"));
    for (const TActionClientItem& item : ActionManager1->ActionBars.front().Items) {
        ActionToolBar1->AddItem(*item.Action, item.Caption);
    }
    dock_->AddDocked(ActionToolBar1, TAlign::Top, 26);
}

void TfrmMain::CreateOptionPanel() {
    PanelOption = new TPanel(QStringLiteral("PanelOption"), QString(), 0, this);
    dock_->AddDocked(PanelOption, TAlign::Top, 79);

    chkEnableVideo = new TActionCheckBox(*ActionEnableVideo, PanelOption);
    chkEnableVideo->setObjectName(QStringLiteral("chkEnableVideo"));
    chkEnableVideo->setGeometry(24, 8, 97, 17);
    // The right button opens the choice of the device's monitor and never toggles the box.
    chkEnableVideo->setContextMenuPolicy(Qt::CustomContextMenu);
    chkEnableAudio = new TActionCheckBox(*ActionEnableAudio, PanelOption);
    chkEnableAudio->setObjectName(QStringLiteral("chkEnableAudio"));
    chkEnableAudio->setGeometry(144, 8, 97, 17);
    // The right button opens the choice of the device's sound output and never toggles the box.
    chkEnableAudio->setContextMenuPolicy(Qt::CustomContextMenu);
    CheckBox1 = new TActionCheckBox(*ActionResume, PanelOption);
    CheckBox1->setObjectName(QStringLiteral("CheckBox1"));
    CheckBox1->setGeometry(256, 8, 209, 17);

    edTime =
        new TLabeledEdit(QStringLiteral("edTime"), QStringLiteral("再生位置"), QSize(48, 12), PanelOption);
    edTime->SetBounds(QRect(120, 48, 97, 20));
    // Nothing fills the bit rate, so it is never shown.
    edBitRate =
        new TLabeledEdit(QStringLiteral("edBitRate"), QStringLiteral("BitRate"), QSize(39, 12), PanelOption);
    edBitRate->SetBounds(QRect(224, 48, 97, 20));
    edBitRate->hide();
    edSize = new TLabeledEdit(QStringLiteral("edSize"), QStringLiteral("サイズ"), QSize(34, 12), PanelOption);
    edSize->SetBounds(QRect(19, 48, 97, 20));
}

void TfrmMain::CreateVideoArea() {
    Panel4 = new TPanel(QStringLiteral("Panel4"), QString(), kPanelBorderWidth, this);
    dock_->AddDocked(Panel4, TAlign::Top, 284);

    ScrollBar1 = new TScrollBar(QStringLiteral("ScrollBar1"), Panel4);
    ScrollBar1->setRange(0, 10000);
    ScrollBar1->setValue(0);
    ScrollBar1->setSingleStep(1);
    ScrollBar1->setPageStep(1);
    ScrollBar1->setFocusPolicy(Qt::StrongFocus);
    Panel4->Dock().AddDocked(ScrollBar1, TAlign::Bottom, 9);

    PanelVideo = new TVideoPanel(QStringLiteral("PanelVideo"), Panel4);
    PanelVideo->setGeometry(88, 13, 360, 240);

    Splitter2 = new TSplitter(QStringLiteral("Splitter2"), *dock_, *Panel4, this);
    dock_->AddDocked(Splitter2, TAlign::Top, 3);
}

void TfrmMain::CreateDebugPanel() {
    Panel5 = new TPanel(QStringLiteral("Panel5"), QStringLiteral("PanelDebug"), 0, this);
    dock_->AddDocked(Panel5, TAlign::Top, 104);

    Memo1 = new QPlainTextEdit(Panel5);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->setAccessibleName(QStringLiteral("Memo1"));
    Memo1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo1->setTabChangesFocus(true);
    Panel5->Dock().AddDocked(Memo1, TAlign::Bottom, 63);

    Button2 = new QPushButton(QStringLiteral("FilterInfo"), Panel5);
    Button2->setObjectName(QStringLiteral("Button2"));
    Button2->setGeometry(8, 8, 75, 25);
    // A debugging button that nothing leads to.
    Button1 = new QPushButton(QStringLiteral("Button1"), Panel5);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setGeometry(88, 8, 75, 25);
    Button1->hide();

    // Opened by a double-click on the video area's margin; hidden at start.
    Panel5->hide();
}

void TfrmMain::CreateFileArea() {
    PanelFile = new TPanel(QStringLiteral("PanelFile"), QStringLiteral("PanelFile"), kPanelBorderWidth, this);
    dock_->AddDocked(PanelFile, TAlign::Client);

    Panel2 = new TPanel(QStringLiteral("Panel2"), QStringLiteral("Panel2"), 0, PanelFile);
    PanelFile->Dock().AddDocked(Panel2, TAlign::Left, 185);
    Splitter1 = new TSplitter(QStringLiteral("Splitter1"), PanelFile->Dock(), *Panel2, PanelFile);
    PanelFile->Dock().AddDocked(Splitter1, TAlign::Left, 3);
    Panel3 = new TPanel(QStringLiteral("Panel3"), QStringLiteral("Panel3"), 0, PanelFile);
    PanelFile->Dock().AddDocked(Panel3, TAlign::Client);

    const QSize panel2Designed(185, 263);
    DriveComboBox1 = new TDriveComboBox(Panel2);
    DriveComboBox1->setObjectName(QStringLiteral("DriveComboBox1"));
    Panel2->Dock().AddAnchored(DriveComboBox1, QRect(8, 8, 169, 18), panel2Designed, kDropDownAnchors);
    DirectoryListBox1 = new TDirectoryListBox(Panel2);
    DirectoryListBox1->setObjectName(QStringLiteral("DirectoryListBox1"));
    Panel2->Dock().AddAnchored(DirectoryListBox1, QRect(9, 32, 168, 222), panel2Designed, kAllEdges);

    const QSize panel3Designed(503, 263);
    FileListBox1 = new TFileListBox(Panel3);
    FileListBox1->setObjectName(QStringLiteral("FileListBox1"));
    FileListBox1->SetRowHeight(12);
    Panel3->Dock().AddAnchored(FileListBox1, QRect(8, 32, 490, 224), panel3Designed, kAllEdges);
    FilterComboBox1 = new TFilterComboBox(Panel3);
    FilterComboBox1->setObjectName(QStringLiteral("FilterComboBox1"));
    Panel3->Dock().AddAnchored(FilterComboBox1, QRect(8, 8, 490, 20), panel3Designed, kDropDownAnchors);

    // The drive selector moves the directory list, which moves the file list; the filter selector
    // sets the file list's mask.
    DriveComboBox1->SetDirList(DirectoryListBox1);
    DirectoryListBox1->SetFileList(FileListBox1);
    FilterComboBox1->SetFileList(FileListBox1);
}

void TfrmMain::CreateStatusBar() {
    StatusBar1 = new QStatusBar(this);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    dock_->AddDocked(StatusBar1, TAlign::Bottom, 19);
}

namespace {
// The widgets of a control that Tab stops at: the control itself, or the parts a compound control
// is made of, in their own order. Pop-ups and the insides of a stop are not stops.
void CollectTabStops(QWidget* control, QList<QWidget*>& stops) {
    if ((control->focusPolicy() & Qt::TabFocus) && control->focusProxy() == nullptr) {
        stops << control;
        return;
    }
    for (QWidget* part : control->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (!part->isWindow()) {
            CollectTabStops(part, stops);
        }
    }
}

QList<QWidget*> TabStops(QWidget* control) {
    QList<QWidget*> stops;
    CollectTabStops(control, stops);
    return stops;
}
} // namespace

void TfrmMain::SetTabOrder() {
    // The order the player's users know; the debug panel's pair is skipped while it is hidden.
    QWidget* order[] = {
        DriveComboBox1, DirectoryListBox1, FileListBox1,   FilterComboBox1, ScrollBar1, Memo1,
        Button2,        chkEnableVideo,    chkEnableAudio, CheckBox1,       edTime,     edSize};
    QWidget* previous = nullptr;
    for (QWidget* control : order) {
        for (QWidget* stop : TabStops(control)) {
            if (previous != nullptr) {
                QWidget::setTabOrder(previous, stop);
            }
            previous = stop;
        }
    }
}

void TfrmMain::WireHandlers() {
    const std::pair<TAction*, void (TfrmMain::*)()> actions[] = {
        {ActionPlay, &TfrmMain::ActionPlayExecute},
        {ActionPause, &TfrmMain::ActionPauseExecute},
        {ActionStop, &TfrmMain::ActionStopExecute},
        {ActionExit, &TfrmMain::ActionExitExecute},
        {ActionPrev, &TfrmMain::ActionPrevExecute},
        {ActionNext, &TfrmMain::ActionNextExecute},
        {ActionEnableVideo, &TfrmMain::ActionEnableVideoExecute},
        {ActionEnableAudio, &TfrmMain::ActionEnableAudioExecute},
        {ActionResume, &TfrmMain::ActionResumeExecute},
        {ActionRew15, &TfrmMain::ActionRew15Execute},
        {ActionRew5, &TfrmMain::ActionRew5Execute},
        {ActionPlus5, &TfrmMain::ActionPlus5Execute},
        {ActionPlus15, &TfrmMain::ActionPlus15Execute},
        {ActionPlus30, &TfrmMain::ActionPlus30Execute},
        {ActionPlus60, &TfrmMain::ActionPlus60Execute},
        {ActionPlus90, &TfrmMain::ActionPlus90Execute},
    };
    for (const auto& [action, handler] : actions) {
        action->SetOnExecute([this, handler = handler] {
            dispatcher_->Arrive(Arrival::UserInput, [this, handler] { (this->*handler)(); });
        });
    }
    // Signals and events reach their handlers through the dispatcher.
    auto dispatched = [this](Arrival arrival, void (TfrmMain::*handler)()) {
        return [this, arrival, handler] {
            dispatcher_->Arrive(arrival, [this, handler] { (this->*handler)(); });
        };
    };
    connect(FileListBox1, &TFileListBox::OnDblClick, this,
            dispatched(Arrival::UserInput, &TfrmMain::FileListBox1DblClick));
    connect(ScrollBar1, &TScrollBar::Scrolled, this, [this](TScrollCode code, int position) {
        dispatcher_->Arrive(Arrival::UserInput, [this, code, position] { ScrollBar1Scroll(code, position); });
    });
    connect(Panel4, &TPanel::Resized, this, dispatched(Arrival::Resize, &TfrmMain::Panel4Resize));
    connect(Panel4, &TPanel::DoubleClicked, this, dispatched(Arrival::UserInput, &TfrmMain::Panel4DblClick));
    connect(Button2, &QPushButton::clicked, this, dispatched(Arrival::UserInput, &TfrmMain::Button2Click));
    connect(Button1, &QPushButton::clicked, this, dispatched(Arrival::UserInput, &TfrmMain::Button1Click));
    connect(chkEnableAudio, &QWidget::customContextMenuRequested, this, [this](const QPoint& where) {
        dispatcher_->Arrive(Arrival::UserInput, [this, where] { chkEnableAudioContextPopup(where); });
    });
    connect(chkEnableVideo, &QWidget::customContextMenuRequested, this, [this](const QPoint& where) {
        dispatcher_->Arrive(Arrival::UserInput, [this, where] { chkEnableVideoContextPopup(where); });
    });
    // The browser's controls catch their own errors; from now on they show them in the same box as
    // every other error that escapes a handler.
    SetBrowserErrorReporter(
        [](const std::string& message) { ShowApplicationError(QString::fromStdString(message)); });
}

void TfrmMain::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!shownOnce_) {
        shownOnce_ = true;
        // The window reaches the screen whole before a resumed or given file is opened: the user
        // sees it at once, and the file's picture follows.
        RunAfterFirstPaint(*this, [this] { dispatcher_->Arrive(Arrival::Startup, [this] { FormShow(); }); });
    }
}

void TfrmMain::closeEvent(QCloseEvent* event) {
    // Handlers that came before the close and still wait their turn run first, from the event loop
    // and not inside this close; the close follows them, as a close of its own.
    if (dispatcher_->Queued() > 0) {
        event->ignore();
        dispatcher_->ArriveAfterQueued(Arrival::WindowClose, [this] { close(); });
        return;
    }
    QWidget::closeEvent(event);
    if (event->isAccepted() && !closeTaken_) {
        closeTaken_ = true;
        dispatcher_->WindowClosed();
        emit Closed();
    }
}
