// SPDX-License-Identifier: GPL-2.0-or-later
#include "app/HandlerGuard.h"
#include "app/TAction.h"
#include "app/TActionCheckBox.h"
#include "app/TLabeledEdit.h"
#include "app/TVideoPanel.h"
#include "browser/TDirectoryListBox.h"
#include "browser/TFileListBox.h"
#include "browser/TFilterComboBox.h"
#include "core/SettingsFileName.h"
#include "graph/Halvion.h"
#include "player/BusNameClaim.h"
#include "player/HandlerDispatcher.h"
#include "player/MprisService.h"
#include "player/PlaySettings.h"
#include "player/PlayerSession.h"
#include "tests/player/ControllerFixture.h"
#include "tests/support/HeldFileSystem.h"
#include "tests/support/Poll.h"

#include <QAbstractButton>
#include <QCloseEvent>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QTest>
#include <QWindow>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <sstream>
#include <sys/stat.h>
#include <utility>

namespace {

using Strings = std::vector<std::string>;
using KeyValues = std::vector<std::pair<std::string, std::string>>;

// The lines of one section of a settings text, in file order.
KeyValues Section(const std::string& text, const std::string& name) {
    KeyValues lines;
    std::istringstream in(text);
    bool inside = false;
    for (std::string line; std::getline(in, line);) {
        if (line.starts_with("[")) {
            inside = line == "[" + name + "]";
        } else if (inside && line.find('=') != std::string::npos) {
            const auto equals = line.find('=');
            lines.emplace_back(line.substr(0, equals), line.substr(equals + 1));
        }
    }
    return lines;
}

using StartupShutdownTest = ControllerTest;

TEST_F(StartupShutdownTest, AFirstStartTakesTheDefaultsAndItsShutdownWritesEveryKeyInOrder) {
    const SeenBox box = Start();
    EXPECT_FALSE(box.seen) << box.text.toStdString();
    EXPECT_FALSE(form->ActionEnableVideo->Checked());
    EXPECT_FALSE(form->ActionEnableAudio->Checked());
    EXPECT_TRUE(form->ActionResume->Checked());
    EXPECT_FALSE(form->PlayerObject()->VideoEnabled());
    EXPECT_FALSE(form->PlayerObject()->AudioEnabled());
    EXPECT_EQ(form->FilterComboBox1->Filter(), BuiltInFilter);
    EXPECT_TRUE(Opened().empty());
    EXPECT_FALSE(form->PlayerObject()->Playing);
    const std::string startFolder = form->DirectoryListBox1->CurrentDir();

    EXPECT_FALSE(Shutdown().seen);
    const std::string stored = StoredSettings();
    EXPECT_EQ(Section(stored, "Play"), (KeyValues{{"Dir", startFolder},
                                                  {"File", ""},
                                                  {"ENB_VIDEO", "0"},
                                                  {"ENB_AUDIO", "0"},
                                                  {"Resume", "1"},
                                                  {"Playing", "0"},
                                                  {"Position", "0"},
                                                  {"Filter", BuiltInFilter}}));
    // Only what the user chose is stored: no choice, no output, no monitor (automatic).
    EXPECT_EQ(Section(stored, "Device"),
              (KeyValues{{"AudioOutput", ""}, {"Monitor", ""}, {"FullScreen", "0"}}));
    EXPECT_LT(stored.find("[Play]"), stored.find("[Device]"));
    EXPECT_FALSE(Section(stored, "TfrmMain").empty()) << "the placement follows the settings";
}

TEST_F(StartupShutdownTest, StoredSettingsAreAppliedAndWithResumeOffNothingPlays) {
    media.WriteFile("movie.mpg", "");
    StoreSettings("[Play]\nDir=/nonexistent\nFile=" + Clip(2) +
                  "\nENB_VIDEO=1\nENB_AUDIO=1\nFilter=AVI|*.avi|MPEG|*.mpg\nResume=0\nPlaying=1\n"
                  "Position=6000000000\n");
    EXPECT_FALSE(Start().seen);
    EXPECT_TRUE(form->ActionEnableVideo->Checked());
    EXPECT_TRUE(form->chkEnableVideo->isChecked());
    EXPECT_TRUE(form->ActionEnableAudio->Checked());
    EXPECT_TRUE(form->PlayerObject()->VideoEnabled());
    EXPECT_TRUE(form->PlayerObject()->AudioEnabled());
    EXPECT_EQ(form->FilterComboBox1->Filter(), "AVI|*.avi|MPEG|*.mpg");
    EXPECT_EQ(form->FileListBox1->Mask(), "*.avi");
    EXPECT_EQ(form->FileListBox1->Count(), 3);
    EXPECT_EQ(form->FileListBox1->SelectedPath(), Clip(2));
    EXPECT_FALSE(form->ActionResume->Checked());
    EXPECT_FALSE(form->CheckBox1->isChecked());
    EXPECT_TRUE(Opened().empty());
    EXPECT_TRUE(Script().CallsStartingWith("AddSourceFilter").empty());

    // With resume off, what plays at exit is stored all the same.
    DoubleClick();
    Graph().Current = 90 * Second;
    Shutdown();
    EXPECT_EQ(StoredValue("Resume"), "0");
    EXPECT_EQ(StoredValue("Playing"), "1");
    EXPECT_EQ(StoredValue("Position"), "900000000");
}

TEST_F(StartupShutdownTest, APositionThatIsNoIntegerIsReportedAndOnlyTheResumeIsLost) {
    for (const std::string position : {"abc", ""}) {
        NewGraphSystem();
        StoreSettings(
            "[Play]\nDir=" + media.Path() + "\nFile=" + Clip(3) +
            "\nENB_AUDIO=1\nFilter=AVI|*.avi\nResume=1\nPlaying=1\nPosition=" + position +
            "\n[Device]\nAudioOutput=alsa_output.hdmi\nMonitor=HDMI-9 1920x1080+1920+0\nFullScreen=1\n");
        const SeenBox box = Start();
        EXPECT_TRUE(box.seen) << "position '" << position << "'";
        EXPECT_EQ(box.text, QString::fromStdString("'" + position + "' は整数ではありません."));
        EXPECT_EQ(box.icon, QMessageBox::Critical);
        EXPECT_TRUE(form->ActionEnableAudio->Checked());
        EXPECT_TRUE(form->PlayerObject()->AudioEnabled());
        EXPECT_EQ(form->PlayerObject()->ChosenAudioOutput(), "alsa_output.hdmi");
        // The monitor is not there: the picture goes in a window beside the player, and the choice
        // is kept.
        EXPECT_EQ(Script().CallsStartingWith("SetDeviceScreen"),
                  (std::vector<std::string>{"SetDeviceScreen(0,0)"}));
        EXPECT_EQ(form->FilterComboBox1->Filter(), "AVI|*.avi");
        EXPECT_EQ(form->FileListBox1->SelectedPath(), Clip(3));
        EXPECT_TRUE(form->ActionResume->Checked());
        EXPECT_TRUE(Script().CallsStartingWith("AddSourceFilter").empty());
        EXPECT_FALSE(form->PlayerObject()->Playing);
        EXPECT_FALSE(Shutdown().seen);
        EXPECT_EQ(Section(StoredSettings(), "Device"), (KeyValues{{"AudioOutput", "alsa_output.hdmi"},
                                                                  {"Monitor", "HDMI-9 1920x1080+1920+0"},
                                                                  {"FullScreen", "1"}}));
    }
}

TEST_F(StartupShutdownTest, AResumeOpensTheStoredFileAtTheStoredPositionAndRuns) {
    StoreSettings("[Play]\nDir=" + media.Path() + "\nFile=" + Clip(2) +
                  "\nResume=1\nPlaying=1\nPosition=6000000000\n");
    EXPECT_FALSE(Start().seen);
    EXPECT_EQ(Selected(), 1);
    EXPECT_EQ(Opened(), Strings{Clip(2)});
    EXPECT_EQ(Graph().Current, 6'000'000'000);
    EXPECT_EQ(Graph().GraphState, FakeGraph::State::Running);
    EXPECT_TRUE(form->PlayerObject()->Playing);
    EXPECT_FALSE(form->PlayerObject()->Paused);
    EXPECT_FALSE(form->ActionPause->Checked());
    Tick();
    EXPECT_EQ(form->edTime->text(), QStringLiteral("00:10:00.0"));
}

// The stored place on a share that sleeps: the window is up and works at once, the resume follows the
// share's answer, the user's own act wins over it, and a close before any answer keeps the place.
TEST_F(StartupShutdownTest, AResumeFromASleepingShareWaitsForItWithoutHoldingTheWindow) {
    const std::string stored =
        "[Play]\nDir=" + media.Path() + "\nFile=" + Clip(2) + "\nResume=1\nPlaying=1\nPosition=6000000000\n";
    const std::string elsewhere = media.MakeFolder("elsewhere");
    enum class Then { ShareAnswers, UserMovesFirst, WindowClosesFirst };
    for (const Then then : {Then::ShareAnswers, Then::UserMovesFirst, Then::WindowClosesFirst}) {
        SCOPED_TRACE(static_cast<int>(then));
        NewGraphSystem();
        StoreSettings(stored);
        HeldFileSystemGone held{HeldFileSystem::Install(media.Path())};
        EXPECT_FALSE(Start().seen);
        EXPECT_TRUE(form->StartPending());
        EXPECT_TRUE(form->ActionResume->Checked()); // the options are applied at once
        EXPECT_TRUE(Opened().empty());
        switch (then) {
        case Then::ShareAnswers:
            held.held->LetGo();
            ASSERT_TRUE(QTest::qWaitFor([&] { return !Opened().empty(); }, 10000));
            EXPECT_EQ(Opened(), Strings{Clip(2)});
            EXPECT_EQ(Graph().Current, 6'000'000'000);
            EXPECT_TRUE(form->PlayerObject()->Playing);
            break;
        case Then::UserMovesFirst:
            form->DirectoryListBox1->SetCurrentDir(elsewhere);
            EXPECT_FALSE(form->StartPending());
            held.held->LetGo();
            QTest::qWait(300); // a window in which the dropped start would open its file
            EXPECT_TRUE(Opened().empty());
            EXPECT_EQ(form->DirectoryListBox1->CurrentDir(), elsewhere);
            break;
        case Then::WindowClosesFirst:
            break;
        }
        Shutdown(); // never waits for the share
        if (then == Then::WindowClosesFirst) {
            EXPECT_EQ(StoredValue("File"), Clip(2));
            EXPECT_EQ(StoredValue("Playing"), "1");
            EXPECT_EQ(StoredValue("Position"), "6000000000");
            EXPECT_EQ(StoredValue("Dir"), media.Path());
        } else if (then == Then::UserMovesFirst) {
            EXPECT_EQ(StoredValue("Dir"), elsewhere);
            EXPECT_EQ(StoredValue("Playing"), "0");
        }
    }
}

// The file a resume plays, built while the window is made on a graph system of its own (as the program
// does): the resume carries on with it instead of building it again; a build that failed shows the
// boxes the player's own build would, in the same order, once the window is up; and a user who acts
// while the stored file's share sleeps drops it before it is built.
TEST_F(StartupShutdownTest, AFileBuiltAheadIsTakenOverByTheResumeOrDroppedWhenTheUserActsFirst) {
    const std::string stored = "[Play]\nDir=" + media.Path() + "\nFile=" + Clip(2) +
                               "\nENB_AUDIO=1\nResume=1\nPlaying=1\nPosition=6000000000\n";
    // The boxes of the start and of the resume that follows the worker's answer.
    const auto startAndResume = [this] {
        Start();
        std::vector<QString> texts;
        std::vector<SeenBox> boxes = startBoxes;
        const std::vector<SeenBox> later = AnswerEveryBox(
            [&] { (void)QTest::qWaitFor([&] { return form->PlayerObject()->Playing; }, 5000); });
        boxes.insert(boxes.end(), later.begin(), later.end());
        for (const SeenBox& box : boxes) {
            texts.push_back(box.text);
        }
        return texts;
    };
    // What the player's own build of a file it cannot open shows.
    StoreSettings(stored);
    Script().Fail("AddSourceFilter");
    const std::vector<QString> ownBuildsBoxes = startAndResume();
    ASSERT_FALSE(ownBuildsBoxes.empty());
    Shutdown();

    enum class Then {
        TakenOver,
        TakenOverWithThePictureOnTheDevice,
        BuildFails,
        UserMovesWhileTheShareSleeps
    };
    for (const Then then : {Then::TakenOver, Then::TakenOverWithThePictureOnTheDevice, Then::BuildFails,
                            Then::UserMovesWhileTheShareSleeps}) {
        SCOPED_TRACE(static_cast<int>(then));
        NewGraphSystem();
        aheadSystem = MakeGraphSystem();
        StoreSettings(then == Then::TakenOverWithThePictureOnTheDevice ? stored + "ENB_VIDEO=1\n" : stored);
        if (then == Then::BuildFails) {
            aheadSystem->Script().Fail("AddSourceFilter");
        }
        std::optional<HeldFileSystemGone> held;
        if (then == Then::UserMovesWhileTheShareSleeps) {
            held.emplace(HeldFileSystem::Install(media.Path()));
        }
        std::vector<QString> boxes;
        if (then == Then::UserMovesWhileTheShareSleeps) {
            Start();
        } else {
            boxes = startAndResume();
        }
        switch (then) {
        case Then::TakenOver:
        case Then::TakenOverWithThePictureOnTheDevice:
            EXPECT_TRUE(boxes.empty());
            EXPECT_EQ(form->PlayerObject()->VideoEnabled(), then == Then::TakenOverWithThePictureOnTheDevice);
            EXPECT_TRUE(form->PlayerObject()->Playing);
            EXPECT_TRUE(Script().CallsStartingWith("AddSourceFilter").empty())
                << "the window's own graph built the file again";
            EXPECT_EQ(aheadSystem->Script().CallsStartingWith("AddSourceFilter").size(), 1u);
            EXPECT_EQ(aheadSystem->Script().CallsStartingWith("AddSourceFilter(" + Clip(2)).size(), 1u);
            EXPECT_EQ(aheadSystem->Graph().Current, 6'000'000'000);
            EXPECT_EQ(aheadSystem->Script().CallsStartingWith("SetPositions(6000000000,").size(), 1u)
                << "sought ahead, and again once taken over";
            EXPECT_EQ(aheadSystem->Graph().GraphState, FakeGraph::State::Running);
            EXPECT_EQ(form->PlayerObject()->CurrentFileName(), Clip(2));
            EXPECT_EQ(Selected(), 1);
            break;
        case Then::BuildFails:
            EXPECT_EQ(boxes, ownBuildsBoxes);
            EXPECT_TRUE(Script().CallsStartingWith("AddSourceFilter").empty());
            break;
        case Then::UserMovesWhileTheShareSleeps:
            form->DirectoryListBox1->SetCurrentDir(media.MakeFolder("elsewhere"));
            held->held->LetGo();
            QTest::qWait(300); // a window in which the dropped build would make its graph
            EXPECT_TRUE(aheadSystem->Script().CallsStartingWith("CreateFilterGraph").empty());
            EXPECT_TRUE(Script().CallsStartingWith("AddSourceFilter").empty());
            break;
        }
        Shutdown();
        aheadSystem.reset();
    }
}

TEST_F(StartupShutdownTest, AResumeOfAFileThatIsGoneOpensTheFirstFileOfItsFolder) {
    StoreSettings("[Play]\nDir=" + media.Path() + "\nFile=" + (media / "gone.avi") +
                  "\nResume=1\nPlaying=1\nPosition=$165A0BC00\n");
    EXPECT_FALSE(Start().seen);
    EXPECT_EQ(Selected(), 0);
    EXPECT_EQ(Opened(), Strings{Clip(1)});
    EXPECT_EQ(Graph().Current, 6'000'000'000);
    Shutdown();

    // A folder with nothing to play hands the graph the empty path.
    NewGraphSystem();
    const std::string empty = media.MakeFolder("empty");
    StoreSettings("[Play]\nDir=" + empty + "\nFile=" + empty +
                  "/gone.avi\nResume=1\nPlaying=1\nPosition=0\n");
    EXPECT_FALSE(Start().seen);
    EXPECT_EQ(form->FileListBox1->CurrentDir(), empty);
    EXPECT_EQ(Opened(), Strings{""});
}

// The stored position belongs to the file that plays, so that file is the one stored, whatever the
// list has selected meanwhile; the next start then resumes the right file at the right place.
TEST_F(StartupShutdownTest, TheStoredFileIsThePlayingFileOrElseTheSelection) {
    StartIn(media.Path());
    form->ActionPlay->Execute();
    form->ActionPause->Execute();
    Graph().Current = 6'000'000'000;
    form->FileListBox1->SetItemIndex(2);
    Shutdown();
    EXPECT_EQ(StoredValue("File"), Clip(1));
    EXPECT_EQ(StoredValue("Playing"), "1");
    EXPECT_EQ(StoredValue("Position"), "6000000000");

    NewGraphSystem();
    EXPECT_FALSE(Start().seen);
    EXPECT_EQ(Opened(), Strings{Clip(1)});
    EXPECT_EQ(Graph().Current, 6'000'000'000);

    // Stopped, nothing plays: the selection is stored, at the start.
    form->ActionStop->Execute();
    form->FileListBox1->SetItemIndex(2);
    Shutdown();
    EXPECT_EQ(StoredValue("File"), Clip(3));
    EXPECT_EQ(StoredValue("Playing"), "0");
    EXPECT_EQ(StoredValue("Position"), "0");
}

TEST_F(StartupShutdownTest, ASettingsFileThatCannotBeWrittenIsReportedAndThePlayerIsStillReleased) {
    StartIn(media.Path());
    form->ActionPlay->Execute();
    const std::string before = StoredSettings();
    ASSERT_EQ(::chmod(SettingsFileName().c_str(), 0444), 0);

    // A video sink must not outlive the panel it draws into.
    bool graphAliveWhenThePanelWent = true;
    QObject::connect(form->PanelVideo, &QObject::destroyed,
                     [&] { graphAliveWhenThePanelWent = system->GraphAlive(); });

    // The placement would fail on the same file: one error, not two.
    const std::vector<SeenBox> boxes = AnswerEveryBox([this] { form.reset(); });
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, QString::fromStdString(SettingsFileName() + " に書き込めません."));
    EXPECT_EQ(StoredSettings(), before);
    EXPECT_FALSE(graphAliveWhenThePanelWent);
    EXPECT_TRUE(Script().Called("Uninitialize"));
}

TEST_F(StartupShutdownTest, TheOutputOptionsReachThePlayerForTheNextOpenAndResumeOnlyFlips) {
    StartIn(media.Path());
    form->ActionPlay->Execute();
    QTest::mouseClick(form->chkEnableVideo, Qt::LeftButton);
    EXPECT_TRUE(form->PlayerObject()->VideoEnabled());
    QTest::mouseClick(form->chkEnableAudio, Qt::LeftButton);
    EXPECT_TRUE(form->PlayerObject()->AudioEnabled());
    EXPECT_EQ(Opened(), Strings{Clip(1)}) << "the playing graph keeps its routing";
    EXPECT_FALSE(Script().Called("CreateDeviceRenderer"));

    form->ActionNext->Execute();
    EXPECT_FALSE(Script().CallsStartingWith("AddSourceFilter(" + Clip(2)).empty());
    EXPECT_TRUE(Script().Called("CreateDeviceRenderer"));

    const int calls = static_cast<int>(Script().Calls().size());
    QTest::mouseClick(form->CheckBox1, Qt::LeftButton);
    EXPECT_FALSE(form->ActionResume->Checked());
    EXPECT_EQ(static_cast<int>(Script().Calls().size()), calls);
}

// Without a graph system the window still opens and every command, tick and scroll is harmless, also
// the ticks that the timer delivers inside the box that reports the failure, before there is a player.
TEST_F(StartupShutdownTest, AGraphSystemThatCannotStartIsReportedAndTheWindowWorksWithoutIt) {
    StoreSettings("[Play]\nDir=" + media.Path() + "\nFile=" + Clip(1) +
                  "\nResume=1\nPlaying=1\nPosition=0\n");
    Script().Fail("Initialize");
    const SeenBox box = Start([] { QTest::qWait(600); });
    EXPECT_EQ(box.text, QStringLiteral("CoInitialize Faild!"));
    ASSERT_TRUE(form->isVisible());
    EXPECT_EQ(form->FileListBox1->SelectedPath(), Clip(1));

    for (TAction* action : {form->ActionPlay, form->ActionPause, form->ActionStop, form->ActionNext,
                            form->ActionPrev, form->ActionRew15, form->ActionPlus90}) {
        action->Execute();
    }
    DoubleClick();
    Tick();
    emit form->ScrollBar1->Scrolled(scTrack, 5000);
    EXPECT_FALSE(form->PlayerObject()->Playing);
    EXPECT_FALSE(Shutdown().seen);
    EXPECT_EQ(StoredValue("File"), Clip(1));
    EXPECT_EQ(StoredValue("Playing"), "0");
}

// Every row of the dispatcher's table that leaves the window open, with the window busy either way: a
// box open in a handler, or a graph's wait in one. Two of a kind arrive meanwhile. What waits runs once
// the busy handler has returned, in the order it came; the latest of a kind may stand for both; what is
// dropped never runs; what is answered runs at once. (A close and the session's end, which end the
// window, have their own cases above.)
TEST_F(StartupShutdownTest, WhatArrivesWhileTheWindowIsBusyFollowsTheDispatchersTable) {
    StartIn(media.Path());
    HandlerDispatcher& dispatcher = form->Dispatcher();
    for (const bool inABox : {true, false}) {
        for (const ArrivalRule& rule : kArrivalRules) {
            if (rule.endsWhatFollows) {
                continue;
            }
            SCOPED_TRACE(std::string(inABox ? "box, " : "wait, ") + rule.why);
            Strings ran;
            Strings whileBusy;
            auto arriveTwice = [&] {
                dispatcher.Arrive(rule.arrival, [&ran] { ran.push_back("first"); });
                dispatcher.Arrive(rule.arrival, [&ran] { ran.push_back("second"); });
                whileBusy = ran;
            };
            AnswerEveryBox(
                [&] {
                    dispatcher.Arrive(Arrival::UserInput, [&] {
                        if (inABox) {
                            ShowApplicationError(QStringLiteral("busy"));
                        } else {
                            HoldGraphWait(arriveTwice);
                        }
                        ran.push_back("returned");
                    });
                    EXPECT_TRUE(PollUntil(
                        [&] {
                            QApplication::processEvents();
                            return dispatcher.Queued() == 0;
                        },
                        std::chrono::milliseconds(5000)));
                },
                inABox ? std::function<void()>(arriveTwice) : std::function<void()>());
            switch (rule.whileBusy) {
            case WhileBusy::Waits:
                EXPECT_EQ(whileBusy, Strings{});
                EXPECT_EQ(ran, (Strings{"returned", "first", "second"}));
                break;
            case WhileBusy::LatestWaits:
                EXPECT_EQ(whileBusy, Strings{});
                EXPECT_EQ(ran, (Strings{"returned", "second"}));
                break;
            case WhileBusy::Dropped:
                EXPECT_EQ(ran, Strings{"returned"});
                break;
            case WhileBusy::AnsweredNow:
                EXPECT_EQ(whileBusy, (Strings{"first", "second"}));
                EXPECT_EQ(ran, (Strings{"first", "second", "returned"}));
                break;
            case WhileBusy::EndsTheRun:
                ADD_FAILURE() << "a rule that ends the run leaves the window open";
                break;
            }
        }
    }
    EXPECT_FALSE(dispatcher.Busy());

    // A command run outside the event loop (as the transport's model test drives the window) runs what
    // still waits before it, then itself, before the call returns.
    Strings ran;
    dispatcher.Arrive(Arrival::UserInput, [&] {
        HoldGraphWait([&] { dispatcher.Arrive(Arrival::Drop, [&ran] { ran.push_back("drop"); }); });
        ran.push_back("returned");
    });
    dispatcher.Arrive(Arrival::UserInput, [&ran] { ran.push_back("command"); });
    EXPECT_EQ(ran, (Strings{"returned", "drop", "command"}));
}

// The user closes the window while a seek waits for a slow disk, and presses a media key's Next before
// the wait is over: the close ends the run, and Next, which came after it, must not open the next file
// on the hidden window, nor be what the shutdown stores as playing.
TEST_F(StartupShutdownTest, ACloseDuringAWaitEndsTheHandlersThatCameAfterIt) {
    // Next before the close runs before it, and is what the shutdown stores, also when the close comes
    // once the wait is over but Next still waits its turn.
    enum class Close { BeforeNext, AfterNext, AfterTheWait };
    for (const Close close : {Close::BeforeNext, Close::AfterNext, Close::AfterTheWait}) {
        const bool closeFirst = close == Close::BeforeNext;
        SCOPED_TRACE(static_cast<int>(close));
        NewGraphSystem();
        StartIn(media.Path());
        form->FileListBox1->SetItemIndex(0);
        DoubleClick();
        ASSERT_EQ(Opened(), Strings{Clip(1)});
        MprisService* mpris = new MprisService(*form);
        int closed = 0;
        QObject::connect(form.get(), &TfrmMain::Closed, [&closed] { ++closed; });
        bool waited = false;
        Script().BeforeCall = [&](const std::string& call) {
            if (call != "SetPositions" || std::exchange(waited, true)) {
                return;
            }
            HoldGraphWait([&] {
                if (closeFirst) {
                    QCoreApplication::postEvent(form->windowHandle(), new QCloseEvent);
                }
                mpris->Later([this] { form->ActionNextExecute(); });
                if (close == Close::AfterNext) {
                    QCoreApplication::postEvent(form->windowHandle(), new QCloseEvent);
                }
            });
            if (close == Close::AfterTheWait) {
                QCoreApplication::postEvent(form->windowHandle(), new QCloseEvent);
            }
        };
        form->ActionPlus5->Execute();
        ASSERT_TRUE(waited);
        EXPECT_TRUE(PollUntil(
            [&] {
                QApplication::processEvents();
                return !form->isVisible();
            },
            std::chrono::milliseconds(5000)))
            << "the close was lost";
        QApplication::processEvents();
        // Next, still queued when the close came, runs from the event loop and not inside the close;
        // the close that follows it is taken once, and the run ends with it.
        EXPECT_EQ(closed, 1) << "the window closed without ending the run";
        const int played = closeFirst ? 1 : 2;
        EXPECT_EQ(Opened().back(), Clip(played))
            << "a handler that came after the close ran, or one before it did not";
        EXPECT_FALSE(Shutdown().seen);
        EXPECT_EQ(StoredValue("File"), Clip(played));
        EXPECT_EQ(StoredValue("Playing"), "1");
        form.reset();
    }
}

// At logout the session ends the program with SIGTERM, and kills it soon after if it is still there. An
// error box nobody will answer must not hold the shutdown up: its text goes to standard error, the
// handler that opened it goes on, and the place is stored. From here on the process sends its errors
// to standard error, as the program does: like every case, it runs in a process of its own (ctest).
TEST_F(StartupShutdownTest, TheSessionsEndClosesAnOpenBoxAndThePlaceIsStored) {
    StartIn(media.Path());
    form->FileListBox1->SetItemIndex(0);
    DoubleClick();
    const auto watcher = WatchSessionEnd();
    const std::string missing = media / "gone.avi";
    bool signalled = false;
    bool answeredByTest = false;
    QElapsedTimer sinceSignal;
    QTimer poll;
    poll.setInterval(10);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr) {
            return;
        }
        if (!signalled) {
            signalled = true;
            sinceSignal.start();
            ::raise(SIGTERM);
        } else if (sinceSignal.elapsed() > 3000) {
            answeredByTest = true;
            box->button(QMessageBox::Ok)->click();
        }
    });
    poll.start();
    testing::internal::CaptureStderr();
    // As a drop of a file that has gone arrives: from the event loop, through the window's handlers.
    QMetaObject::invokeMethod(
        form.get(), [this, missing] { RunHandler([this, missing] { form->OpenPath(missing); }); },
        Qt::QueuedConnection);
    EXPECT_TRUE(PollUntil(
        [&] {
            QApplication::processEvents();
            return signalled && !form->isVisible() && QApplication::activeModalWidget() == nullptr;
        },
        std::chrono::milliseconds(5000)));
    poll.stop();
    form.reset();
    const std::string errors = testing::internal::GetCapturedStderr();
    EXPECT_TRUE(signalled) << "no box opened";
    EXPECT_FALSE(answeredByTest) << "the box stayed open after the session's end";
    EXPECT_NE(errors.find("ファイルが見つかりません - " + missing), std::string::npos) << errors;
    EXPECT_EQ(StoredValue("File"), Clip(1));
    EXPECT_EQ(StoredValue("Playing"), "1");
}

// A session bus of the test's own, set before anything in the process connects to one: a case that
// uses it needs a process of its own, as ctest gives every case. The daemon ends with the handle.
std::unique_ptr<void, std::function<void(void*)>> OwnSessionBus() {
    std::FILE* daemon = ::popen("dbus-daemon --session --fork --print-address=1 --print-pid=1", "r");
    if (daemon == nullptr) {
        return nullptr;
    }
    char address[512] = {};
    char pid[32] = {};
    const bool read = std::fgets(address, sizeof address, daemon) && std::fgets(pid, sizeof pid, daemon);
    ::pclose(daemon);
    if (!read) {
        return nullptr;
    }
    ::setenv("DBUS_SESSION_BUS_ADDRESS", std::string(address, std::strcspn(address, "\n")).c_str(), 1);
    static int handle = 0;
    return {&handle, [busPid = std::atoi(pid)](void*) { ::kill(busPid, SIGTERM); }};
}

bool NameOwnedByApplication() {
    const QDBusConnection bus = QDBusConnection::sessionBus();
    return bus.interface()->serviceOwner(QString::fromLatin1(MprisService::ServiceName)).value() ==
           bus.baseService();
}

// A start that hands its file to a player whose window has closed would end believing the file plays:
// once the window closes, the session's player refuses files and gives its name up. A start with a
// file claims the name before its application exists, and the application's connection takes it
// over: a file handed to the first claim is not lost on the way.
class HandOverTest : public ControllerTest {
protected:
    void HandOverUntilTheWindowCloses(bool claimedBeforeTheApplication) {
        const auto busDaemon = OwnSessionBus();
        ASSERT_NE(busDaemon, nullptr);
        // Another start, which finds the name owned and hands its files over.
        BusNameClaim other;
        PlayerSession session;
        Strings handed;
        if (claimedBeforeTheApplication) {
            BusNameClaim claim;
            ASSERT_EQ(claim.Claim(), BusNameClaim::Result::Owner) << "another player owns the session's name";
            ASSERT_EQ(other.Claim(), BusNameClaim::Result::Taken);
            EXPECT_TRUE(other.HandOver(Clip(2))) << "the claim takes files before the application serves";
            handed.push_back(Clip(2));
            ASSERT_TRUE(session.TakeOver(claim));
        } else {
            ASSERT_TRUE(session.Claim()) << "another player owns the session's name";
            ASSERT_EQ(other.Claim(), BusNameClaim::Result::Taken);
        }
        EXPECT_TRUE(NameOwnedByApplication());
        StartIn(media.Path());
        session.Attach(*form);
        EXPECT_TRUE(other.HandOver(Clip(3)));
        handed.push_back(Clip(3));
        EXPECT_TRUE(PollUntil(
            [&] {
                QApplication::processEvents();
                return Opened() == handed;
            },
            std::chrono::milliseconds(5000)))
            << Opened().size();
        form->close();
        EXPECT_FALSE(other.HandOver(Clip(1))) << "a file was taken by a window that has closed";
        EXPECT_FALSE(QDBusConnection::sessionBus().interface()->isServiceRegistered(
            QString::fromLatin1(MprisService::ServiceName)));
        QApplication::processEvents();
        EXPECT_FALSE(Shutdown().seen);
        EXPECT_EQ(StoredValue("File"), Clip(3));
    }
};

TEST_F(HandOverTest, AFileHandedOverOnceTheWindowHasClosedIsRefused) {
    HandOverUntilTheWindowCloses(false);
}

TEST_F(HandOverTest, AFileHandedToTheClaimBeforeTheApplicationPlaysOnceTheWindowIsUp) {
    HandOverUntilTheWindowCloses(true);
}

} // namespace
