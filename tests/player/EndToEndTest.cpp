// SPDX-License-Identifier: GPL-2.0-or-later
// The real program with the real graph, driven as a user drives it: clicks on the toolbar and in the
// file list, the window's close button, and what it shows read back as a screen reader reads it.

#include "core/ProfileFile.h"
#include "tests/support/Poll.h"
#include "tests/support/RunningPlayer.h"
#include "tests/support/TestServers.h"
#include "tests/support/X11Tools.h"

#include <algorithm>
#include <array>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <map>
#include <optional>
#include <sys/stat.h>
#include <thread>

namespace {

using Objects = std::vector<SeenObject>;

std::string TextOf(const Objects& objects, const std::string& role, const std::string& name) {
    for (const SeenObject& seen : objects) {
        if (seen.role == role && seen.name == name) {
            return seen.text;
        }
    }
    return {};
}

bool IsSelected(const Objects& objects, const std::string& file) {
    for (const SeenObject& seen : objects) {
        if (seen.role == "list item" && seen.name == file) {
            return seen.Has("selected");
        }
    }
    return false;
}

std::string Shell(const std::string& command) {
    std::string output;
    if (FILE* pipe = ::popen(command.c_str(), "r")) {
        std::array<char, 4096> buffer{};
        size_t read = 0;
        while ((read = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0) {
            output.append(buffer.data(), read);
        }
        ::pclose(pipe);
    }
    return output;
}

// The position text once it stands still (a pause has taken): two reads in a row, a few ticks of the
// window's timer apart, that agree; empty when it never settles within the timeout.
std::string SettledPosition(const RunningPlayer& player, int timeoutMs = 8000) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    std::string last = player.PositionText();
    while (std::chrono::steady_clock::now() < until) {
        std::this_thread::sleep_for(std::chrono::milliseconds(600));
        const std::string now = player.PositionText();
        if (now == last) {
            return now;
        }
        last = now;
    }
    return {};
}

class EndToEndTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { EnsureTestServers(); }

    PlayerInstall install;
    ProfileFile settings{install.SettingsFile()};

    void WriteSettings(const std::string& text) const {
        std::FILE* file = std::fopen(install.SettingsFile().c_str(), "w");
        std::fputs(text.c_str(), file);
        std::fclose(file);
    }
};

TEST_F(EndToEndTest, AFolderPlaysRoundAndRoundAndPicksUpWhereItWasLeft) {
    std::string pausedAt;
    std::string pausedFile;
    {
        RunningPlayer player(install);
        ASSERT_TRUE(player.WaitUntilReady());
        EXPECT_EQ(player.PositionText(), "") << "nothing plays at the first start";
        auto resume = player.Find("check box", "次回起動時、終了した所から再生");
        ASSERT_TRUE(resume);
        EXPECT_TRUE(resume->Has("checked"));

        player.DoubleClickFile("a2.avi");
        ASSERT_TRUE(player.WaitUntil(
            [](const Objects& o) {
                return IsSelected(o, "a2.avi") && !TextOf(o, "text", "再生位置").empty() &&
                       TextOf(o, "text", "再生位置") != "00:00:00.0";
            },
            10000))
            << player.PositionText();
        EXPECT_EQ(TextOf(player.Objects(), "text", "サイズ"), "幅=320 高=240");

        // The end of a clip starts the next one, and the last is followed by the first.
        ASSERT_TRUE(player.WaitUntil([](const Objects& o) { return IsSelected(o, "a3.avi"); }, 10000));
        ASSERT_TRUE(player.WaitUntil([](const Objects& o) { return IsSelected(o, "a1.avi"); }, 10000));
        ASSERT_TRUE(player.WaitUntil(
            [](const Objects& o) { return TextOf(o, "text", "再生位置") >= "00:00:00.5"; }, 10000));

        // On a slow machine the click may land on the clip after the one waited for, or on the very
        // end of a clip. There the player steps to the next file and plays it, at the next tick or,
        // when the sound has not played out, once it has waited three seconds for it, or as the
        // window closes. A pause is taken once it has held longer, well before the clip's end; one
        // near the end is pressed again, so that playing goes on into the next clip, and paused there.
        for (int attempt = 0; attempt < 6 && pausedAt.empty(); ++attempt) {
            player.ClickButton("一時停止");
            const std::string settled = SettledPosition(player);
            std::this_thread::sleep_for(std::chrono::milliseconds(3500));
            if (settled.empty() || player.PositionText() != settled) {
                continue;
            }
            if (settled < "00:00:01.1") {
                pausedAt = settled;
            } else {
                player.ClickButton("一時停止");
                std::this_thread::sleep_for(std::chrono::milliseconds(700));
            }
        }
        ASSERT_FALSE(pausedAt.empty()) << "the pause did not take";
        pausedFile = player.SelectedFile();
        std::this_thread::sleep_for(std::chrono::milliseconds(1200));
        EXPECT_EQ(player.PositionText(), pausedAt) << "paused playback stands still";
        EXPECT_EQ(player.Close(), 0);
    }
    EXPECT_TRUE(settings.ReadBool("Play", "Playing", false)) << ReadSettingsFile(install.SettingsFile());
    ASSERT_FALSE(pausedFile.empty());
    EXPECT_EQ(settings.ReadString("Play", "File", ""), install.Clip(pausedFile)) << "paused at " << pausedAt;
    const long long stored = std::stoll(settings.ReadString("Play", "Position", "0"));
    EXPECT_GT(stored, 0);
    EXPECT_EQ(settings.ReadString("TfrmMain", "PlaceNormalPos.Left", ""), "273");

    {
        RunningPlayer player(install);
        // The same file plays on from where it was paused, running. A poll of the window can take
        // longer than the rest of a short clip, so what must hold is that the paused file is never
        // seen before the place it was paused at, and that playback goes on past it or to the next
        // file. A pause that landed on the clip's very end resumes at the end, and the list moves on.
        const std::map<std::string, std::string> nextInList{
            {"a1.avi", "a2.avi"}, {"a2.avi", "a3.avi"}, {"a3.avi", "a1.avi"}};
        ASSERT_TRUE(nextInList.count(pausedFile)) << pausedFile;
        const std::string nextFile = nextInList.at(pausedFile);
        std::string firstSeen;
        bool startedOver = false;
        const bool played = player.WaitUntil(
            [&](const Objects& o) {
                const std::string now = TextOf(o, "text", "再生位置");
                if (IsSelected(o, pausedFile)) {
                    if (firstSeen.empty() && !now.empty()) {
                        firstSeen = now;
                        startedOver = now < pausedAt;
                    }
                    return now > pausedAt;
                }
                return IsSelected(o, nextFile) && !now.empty();
            },
            15000);
        EXPECT_TRUE(played && !startedOver) << "paused at " << pausedAt << ", first seen at " << firstSeen
                                            << ", now " << player.PositionText();

        player.ClickButton("停止(Y)");
        // The stop shows nothing the window's reader can see (the position text keeps its last
        // value once playing stops); the click is given time to land before the window closes.
        std::this_thread::sleep_for(std::chrono::milliseconds(700));
        EXPECT_EQ(player.Close(), 0);
    }
    EXPECT_FALSE(settings.ReadBool("Play", "Playing", true));
    EXPECT_EQ(settings.ReadString("Play", "Position", ""), "0");
}

TEST_F(EndToEndTest, AStoredPositionOfLettersIsReportedAndNothingResumes) {
    WriteSettings("[Play]\nFile=" + install.Clip("a2.avi") + "\nResume=1\nPlaying=1\nPosition=abc\n");
    RunningPlayer player(install);
    ASSERT_TRUE(player.WaitUntilReady());
    EXPECT_TRUE(player.AnswerBox("'abc' は整数ではありません", 30000));
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    EXPECT_EQ(player.PositionText(), "");
    EXPECT_EQ(player.SelectedFile(), "a2.avi") << "the stored file is still selected";
    EXPECT_EQ(player.Close(), 0);
}

TEST_F(EndToEndTest, AStoredFileThatWasDeletedResumesTheFoldersFirstFile) {
    WriteSettings("[Play]\nDir=" + install.Clips() + "\nFile=" + install.Clip("gone.avi") +
                  "\nResume=1\nPlaying=1\nPosition=5000000\n");
    RunningPlayer player(install);
    ASSERT_TRUE(player.WaitUntilReady());
    EXPECT_TRUE(player.WaitUntil(
        [](const Objects& o) { return IsSelected(o, "a1.avi") && !TextOf(o, "text", "再生位置").empty(); },
        30000))
        << player.PositionText();
    EXPECT_EQ(player.Close(), 0);
}

TEST_F(EndToEndTest, AReadOnlySettingsFileIsReportedAtExitAndLeftIntact) {
    const std::string before = "[Play]\nResume=0\n";
    WriteSettings(before);
    ::chmod(install.SettingsFile().c_str(), 0444);
    RunningPlayer player(install);
    ASSERT_TRUE(player.WaitUntilReady());
    if (auto window = WaitForWindow("Tarnwick 1.06", 5000)) {
        RequestClose(window->id);
    }
    EXPECT_TRUE(player.AnswerBox("に書き込めません", 15000));
    EXPECT_EQ(player.Close(), 0);
    EXPECT_EQ(ReadSettingsFile(install.SettingsFile()), before);
}

// The transport faults a new user met first: a play after a stop must start the file again, a pause
// and a second press must go on from where it stood, and a file that cannot be played must neither
// stop the list nor, when no file of the list plays, keep it cycling.
TEST_F(EndToEndTest, StopPlayPauseAndBrokenFilesBehaveAsAUserExpects) {
    // Long enough that a pause pressed at 1 s takes well before the end on a loaded machine.
    PlayerInstall longer(".avi", 6.0);
    const auto breakClip = [&longer](const std::string& name) {
        std::FILE* file = std::fopen(longer.Clip(name).c_str(), "w");
        std::fputs("not a video at all\n", file);
        std::fclose(file);
    };
    breakClip("a2.avi");
    RunningPlayer player(longer);
    ASSERT_TRUE(player.WaitUntilReady());
    const auto positionAtLeast = [](const std::string& text) {
        return [text](const Objects& o) { return TextOf(o, "text", "再生位置") >= text; };
    };

    player.DoubleClickFile("a1.avi");
    ASSERT_TRUE(player.WaitUntil(positionAtLeast("00:00:01.0"), 15000)) << player.PositionText();
    player.Press("一時停止");
    const std::string paused = SettledPosition(player);
    ASSERT_FALSE(paused.empty()) << "the pause did not take";
    std::this_thread::sleep_for(std::chrono::milliseconds(1000));
    EXPECT_EQ(player.PositionText(), paused) << "paused playback stands still";
    player.Press("一時停止");
    EXPECT_TRUE(player.WaitUntil(
        [&paused](const Objects& o) { return TextOf(o, "text", "再生位置") > paused; }, 8000))
        << "a second press of the pause button plays on from " << paused;

    ASSERT_TRUE(player.WaitUntil(positionAtLeast("00:00:02.5"), 8000)) << player.PositionText();
    player.Press("停止(Y)");
    player.Press("再生(Z)");
    EXPECT_TRUE(player.WaitUntil(
        [](const Objects& o) {
            const std::string text = TextOf(o, "text", "再生位置");
            return text >= "00:00:00.1" && text < "00:00:02.0";
        },
        5000))
        << "a play after a stop starts the file from its beginning, not at " << player.PositionText();

    // The end of a1 steps over the broken a2 to a3, which plays.
    EXPECT_TRUE(player.WaitUntil(
        [](const Objects& o) {
            return IsSelected(o, "a3.avi") && TextOf(o, "text", "再生位置") >= "00:00:00.5";
        },
        20000))
        << player.SelectedFile() << " at " << player.PositionText();

    // No file of the list plays: one round, then the list stands still. Stopped first: a3 broken
    // while it plays would start a round of its own, racing the one the double click starts.
    player.Press("停止(Y)");
    breakClip("a1.avi");
    breakClip("a3.avi");
    player.DoubleClickFile("a1.avi");
    ASSERT_TRUE(player.WaitUntil([](const Objects& o) { return IsSelected(o, "a3.avi"); }, 10000))
        << player.SelectedFile() << " at " << player.PositionText();
    std::this_thread::sleep_for(std::chrono::milliseconds(2500));
    EXPECT_EQ(player.SelectedFile(), "a3.avi") << "a list of files that cannot be played stops after a round";
    EXPECT_EQ(player.Close(), 0);
}

bool IsChecked(const Objects& objects, const std::string& name) {
    for (const SeenObject& seen : objects) {
        if (seen.role == "check box" && seen.name == name) {
            return seen.Has("checked");
        }
    }
    return false;
}

// For ".wmv" files exactly the streams switched on move to the device.
TEST(EndToEndRoutingTest, TheOutputOptionsRouteTheNextFileToTheDevice) {
    EnsureTestServers();
    const std::string deviceStream = "application.name = \"Morrick Halvion Output\"";
    PlayerInstall install(".wmv");
    ProfileFile settings(install.SettingsFile());
    RunningPlayer player(install);
    ASSERT_TRUE(player.WaitUntilReady());
    player.ClickButton("映像出力");
    ASSERT_TRUE(player.WaitUntil([](const Objects& o) { return IsChecked(o, "映像出力"); }, 5000));
    player.DoubleClickFile("a1.wmv");
    EXPECT_TRUE(WaitForWindow("Morrick Halvion Output", 10000)) << "the device's window shows the picture";
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_EQ(Shell("pactl list sink-inputs").find(deviceStream), std::string::npos)
        << "the sound stays on the computer";

    // The device's window may now lie over the option strip.
    player.Press("音声出力");
    ASSERT_TRUE(player.WaitUntil([](const Objects& o) { return IsChecked(o, "音声出力"); }, 5000));
    player.DoubleClickFile("a2.wmv");
    bool deviceSound = false;
    for (int i = 0; i < 50 && !deviceSound; ++i) {
        deviceSound = Shell("pactl list sink-inputs").find(deviceStream) != std::string::npos;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    EXPECT_TRUE(deviceSound) << Shell("pactl list sink-inputs");
    EXPECT_EQ(player.Close(), 0);
    EXPECT_TRUE(settings.ReadBool("Play", "ENB_VIDEO", false));
    EXPECT_TRUE(settings.ReadBool("Play", "ENB_AUDIO", false));
}

// A desktop ends a program by signals as often as by its close button: logout and shutdown send
// SIGTERM, a closed terminal SIGHUP, Ctrl+C SIGINT. Each must save the place as a close does, so that
// the next start plays on from it; each round here resumes the place the round before saved.
TEST(EndToEndSessionEndTest, EachOfTheSessionsSignalsSavesThePlaceAndTheNextStartResumesIt) {
    EnsureTestServers();
    PlayerInstall install(".avi", 20.0);
    ProfileFile settings(install.SettingsFile());
    {
        std::FILE* file = std::fopen(install.SettingsFile().c_str(), "w");
        std::fprintf(file, "[Play]\nFile=%s\nResume=1\nPlaying=1\nPosition=20000000\n",
                     install.Clip("a2.avi").c_str());
        std::fclose(file);
    }
    long long storedBefore = 20000000;
    for (const auto& [signalNumber, name] :
         {std::pair{SIGTERM, "SIGTERM"}, {SIGHUP, "SIGHUP"}, {SIGINT, "SIGINT"}}) {
        SCOPED_TRACE(name);
        RunningPlayer player(install);
        ASSERT_TRUE(player.WaitUntilReady());
        std::string firstSeen;
        ASSERT_TRUE(player.WaitUntil(
            [&](const Objects& o) {
                const std::string now = TextOf(o, "text", "再生位置");
                if (firstSeen.empty()) {
                    firstSeen = now;
                }
                return IsSelected(o, "a2.avi") && !now.empty() && now != firstSeen;
            },
            15000))
            << "the stored file does not play on: " << player.PositionText();
        // A window in which playback goes on, so that the place saved is past the place resumed.
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        ::kill(player.Pid(), signalNumber);
        EXPECT_EQ(player.WaitForExit(15000), 0) << "the program did not end as a close ends it";

        EXPECT_EQ(settings.ReadString("Play", "File", ""), install.Clip("a2.avi"));
        EXPECT_TRUE(settings.ReadBool("Play", "Playing", false)) << ReadSettingsFile(install.SettingsFile());
        const long long stored = std::stoll(settings.ReadString("Play", "Position", "0"));
        // It played on from the place stored before, and not far: a start from 0 or a step to the
        // next file would show here.
        EXPECT_GT(stored, storedBefore) << ReadSettingsFile(install.SettingsFile());
        EXPECT_LT(stored, storedBefore + 150000000LL);
        EXPECT_FALSE(settings.ReadString("TfrmMain", "PlaceShowCmd", "").empty())
            << "the placement is saved too";
        storedBefore = stored;
    }

    // A shutdown that a signal started and that cannot save has nobody to show a box to: it says so on
    // standard error, ends with status 1 and leaves the file as it was.
    ::chmod(install.SettingsFile().c_str(), 0444);
    const std::string before = ReadFileText(install.SettingsFile());
    RunningPlayer player(install);
    ASSERT_TRUE(player.WaitUntilReady());
    ASSERT_TRUE(
        player.WaitUntil([](const Objects& o) { return !TextOf(o, "text", "再生位置").empty(); }, 15000));
    ::kill(player.Pid(), SIGTERM);
    EXPECT_EQ(player.WaitForExit(15000), 1);
    EXPECT_EQ(ReadFileText(install.SettingsFile()), before);
}

// At logout the session sends SIGTERM and kills, a few seconds later, a program that has not ended. An
// error box nobody will answer must not hold the end up: the box closes, and the place is stored as at
// any other end of the session.
TEST(EndToEndSessionEndTest, ASignalWithAnErrorBoxOpenEndsTheProgramAtOnceAndStoresThePlace) {
    EnsureTestServers();
    PlayerInstall install(".avi", 20.0);
    ProfileFile settings(install.SettingsFile());
    {
        std::FILE* file = std::fopen(install.SettingsFile().c_str(), "w");
        std::fprintf(file, "[Play]\nFile=%s\nResume=1\nPlaying=1\nPosition=20000000\n",
                     install.Clip("a2.avi").c_str());
        std::fclose(file);
    }
    RunningPlayer player(install);
    ASSERT_TRUE(player.WaitUntilReady());
    ASSERT_TRUE(player.WaitUntil(
        [](const Objects& o) { return IsSelected(o, "a2.avi") && !TextOf(o, "text", "再生位置").empty(); },
        15000));
    // A file that has gone, opened from outside as a file manager or a panel widget would.
    const std::string gone = install.Clip("gone.avi");
    Shell("DBUS_SESSION_BUS_ADDRESS='" + install.Bus() +
          "' gdbus call --session -d org.mpris.MediaPlayer2.tarnwick -o /org/mpris/MediaPlayer2"
          " -m org.mpris.MediaPlayer2.Player.OpenUri 'file://" +
          gone + "' 2>&1");
    ASSERT_TRUE(player.WaitUntil(
        [](const Objects& o) {
            return std::any_of(o.begin(), o.end(), [](const SeenObject& seen) {
                return seen.text.find("ファイルが見つかりません") != std::string::npos ||
                       seen.name.find("ファイルが見つかりません") != std::string::npos;
            });
        },
        15000))
        << "no error box opened";
    const auto signalled = std::chrono::steady_clock::now();
    ::kill(player.Pid(), SIGTERM);
    EXPECT_EQ(player.WaitForExit(5000), 0) << "the program did not end within 5 s of SIGTERM";
    EXPECT_LT(std::chrono::steady_clock::now() - signalled, std::chrono::seconds(5));
    EXPECT_EQ(settings.ReadString("Play", "File", ""), install.Clip("a2.avi"));
    EXPECT_TRUE(settings.ReadBool("Play", "Playing", false)) << ReadSettingsFile(install.SettingsFile());
    EXPECT_GE(std::stoll(settings.ReadString("Play", "Position", "0")), 20000000LL)
        << ReadSettingsFile(install.SettingsFile());
}

// A signal before the stored settings are read ends the program without writing: a shutdown then
// would save defaults over the place the user left. The display is held so that the program cannot
// get as far as its window.
TEST(EndToEndSessionEndTest, ASignalBeforeTheSettingsAreReadLeavesThemUntouched) {
    EnsureTestServers();
    PlayerInstall install;
    const std::string stored =
        "[Play]\nFile=" + install.Clip("a2.avi") + "\nResume=1\nPlaying=1\nPosition=5000000\n";
    {
        std::FILE* file = std::fopen(install.SettingsFile().c_str(), "w");
        std::fputs(stored.c_str(), file);
        std::fclose(file);
    }
    {
        const ServerGrab heldDisplay;
        RunningPlayer player(install);
        // A window in which nothing may happen: the held display keeps the program from its window.
        std::this_thread::sleep_for(std::chrono::milliseconds(1000));
        ::kill(player.Pid(), SIGTERM);
        EXPECT_EQ(player.WaitForExit(15000), 128 + SIGTERM);
    }
    EXPECT_EQ(ReadFileText(install.SettingsFile()), stored);
}

// Two players may share one settings file (a start without a file runs beside the player already
// there). Closed at the same moment, both must end without an error box, and the file must hold one
// player's sections whole: here the first player has video output on and a wider window, the second
// neither, so a file with one player's "Play" and the other's placement shows at once.
TEST(EndToEndSessionEndTest, TwoPlayersClosedTogetherLeaveOnePlayersSectionsWhole) {
    EnsureTestServers();
#ifdef __SANITIZE_ADDRESS__
    constexpr int kRounds = 6;
#else
    constexpr int kRounds = 20;
#endif
    constexpr int kWideWidth = 1300;
    PlayerInstall install;
    ProfileFile settings(install.SettingsFile());
    int firstWon = 0;
    for (int round = 1; round <= kRounds; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        {
            std::FILE* file = std::fopen(install.SettingsFile().c_str(), "w");
            std::fputs("[Play]\nResume=0\n", file);
            std::fclose(file);
        }
        RunningPlayer first(install);
        ASSERT_TRUE(first.WaitUntilReady());
        first.Press("映像出力");
        ASSERT_TRUE(first.WaitUntil([](const Objects& o) { return IsChecked(o, "映像出力"); }, 5000));
        auto firstWindow = WaitForWindow("Tarnwick 1.06", 5000);
        ASSERT_TRUE(firstWindow);
        ResizeWindow(firstWindow->id, kWideWidth, firstWindow->height);
        ASSERT_TRUE(WaitForWindowWhere(
            "Tarnwick 1.06", [](const X11Window& w) { return w.width == kWideWidth; }, 5000));

        RunningPlayer second(install);
        std::vector<unsigned long> windows;
        for (int i = 0; i < 200 && windows.size() < 2; ++i) {
            windows.clear();
            for (const X11Window& window : ListTitledWindows()) {
                if (window.mapped && window.title == "Tarnwick 1.06") {
                    windows.push_back(window.id);
                }
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        ASSERT_EQ(windows.size(), 2u);
        // The second player's window is up; give it the moment its first paint takes to read the file.
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        for (const unsigned long window : windows) {
            RequestClose(window);
        }
        EXPECT_EQ(first.WaitForExit(15000), 0) << "the first player did not end: an error box?";
        EXPECT_EQ(second.WaitForExit(15000), 0) << "the second player did not end: an error box?";

        const bool firstPlay = settings.ReadBool("Play", "ENB_VIDEO", false);
        const int width = settings.ReadInteger("TfrmMain", "PlaceNormalPos.Right", 0) -
                          settings.ReadInteger("TfrmMain", "PlaceNormalPos.Left", 0);
        const bool firstPlacement = width >= kWideWidth;
        EXPECT_EQ(firstPlay, firstPlacement) << "sections of two players:\n"
                                             << ReadFileText(install.SettingsFile());
        firstWon += firstPlay;
    }
    std::printf("%d rounds: the first player's sections stood in %d, the second's in %d\n", kRounds, firstWon,
                kRounds - firstWon);
}

// Recordings on a network share, or on a disk that is spinning up, can take seconds to give their first
// byte. While a file opens there the window must stay drawn and answer the window manager, or the
// desktop offers to kill it and another window moved over it leaves a hole; a click meanwhile takes
// effect once the file is open, as it always did.
TEST(EndToEndSlowOpenTest, WhileAFileOpensSlowlyTheWindowIsDrawnAndAnswersAndAClickWaitsItsTurn) {
    EnsureTestServers();
    constexpr int kSlowMs = 5000;
    constexpr unsigned long kCoverColour = 0xff00ff;
    PlayerInstall install(".avi", 6.0);
    ProfileFile settings(install.SettingsFile());
    std::optional<SlowFirstRead> slowRead(std::in_place, "/a2.avi", kSlowMs);
    RunningPlayer player(install);
    slowRead.reset();
    ASSERT_TRUE(player.WaitUntilReady());
    const auto window = WaitForWindow("Tarnwick 1.06", 5000);
    ASSERT_TRUE(window);
    const auto stop = player.Find("push button", "停止(Y)");
    const auto row = player.Find("list item", "a1.avi");
    ASSERT_TRUE(stop && row);
    // A point the toolkit paints itself (a row of the file list), not the video panel's own X window.
    const int x = row->x + row->width / 2;
    const int y = row->y + row->height / 2;

    ASSERT_TRUE(AnswersPing(window->id, 2000)) << "an idle window does not answer";
    // What a screen reader's read of the whole window (every object's role, name and text) takes when
    // the window is idle, against the same read while the file opens below: printed for the record.
    const auto timedRead = [&player](std::vector<SeenObject>& seen) {
        const auto began = std::chrono::steady_clock::now();
        seen = player.Objects();
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
    };
    std::vector<SeenObject> idleObjects;
    std::vector<double> idleReads;
    for (int read = 0; read < 3; ++read) {
        idleReads.push_back(timedRead(idleObjects));
    }
    std::sort(idleReads.begin(), idleReads.end());

    player.DoubleClickFile("a2.avi");
    const auto clicked = std::chrono::steady_clock::now();
    // A window in which nothing may happen: the double click must have reached the build, which then
    // waits for the slow first read, before the window is covered.
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    {
        const CoveringWindow cover(window->x, window->y, window->width, window->height, kCoverColour);
        ASSERT_TRUE(PollUntil([&] { return PixelAt(x, y) == kCoverColour; }, std::chrono::milliseconds(400)))
            << "the cover did not lie over the window";
    }
    const bool redrawn =
        PollUntil([&] { return PixelAt(x, y) != kCoverColour; }, std::chrono::milliseconds(1500));
    const bool answered = AnswersPing(window->id, 1000);
    // A screen reader reads the window meanwhile; an answer held back until the file opened would
    // come too late for the check below.
    std::vector<SeenObject> waitObjects;
    const double waitRead = timedRead(waitObjects);
    const bool read = std::any_of(waitObjects.begin(), waitObjects.end(), [](const SeenObject& seen) {
        return seen.role == "push button" && seen.name == "停止(Y)";
    });
    std::printf("a screen reader's whole-window read (%zu objects): idle %.3f s (median of 3), during the "
                "slow first read %.3f s (%zu objects), %.2f times\n",
                idleObjects.size(), idleReads[1], waitRead, waitObjects.size(), waitRead / idleReads[1]);
    EXPECT_EQ(waitObjects.size(), idleObjects.size()) << "the read during the wait saw another window";
    ClickAt(stop->x + stop->width / 2, stop->y + stop->height / 2);
    const auto checked = std::chrono::steady_clock::now() - clicked;
    EXPECT_TRUE(redrawn) << "the window left a hole where it was uncovered";
    EXPECT_TRUE(answered) << "the window did not answer the window manager's ping";
    EXPECT_TRUE(read) << "the window did not answer a screen reader";
    ASSERT_LT(checked, std::chrono::milliseconds(kSlowMs - 300))
        << "the checks came too late to fall in the wait";

    // The file opens once its first read is through, plays, and only then the click stops it.
    EXPECT_TRUE(player.WaitUntil([](const Objects& o) { return IsSelected(o, "a2.avi"); }, 15000));
    // A window in which nothing may happen: the held click runs after the open, and the stop must have
    // taken before the window is closed; no sign of it shows but the position, which a stop and a
    // not-yet-started play share.
    std::this_thread::sleep_until(clicked + std::chrono::milliseconds(kSlowMs + 1500));
    EXPECT_EQ(player.Close(), 0);
    EXPECT_EQ(settings.ReadString("Play", "File", ""), install.Clip("a2.avi"));
    EXPECT_FALSE(settings.ReadBool("Play", "Playing", true)) << "the click on the stop button was lost";
    EXPECT_EQ(settings.ReadString("Play", "Position", ""), "0");
}

// A file on a share that died, or a disk that hangs, never gives its first byte. Once its build gives
// up, the file's pipeline cannot be taken down while the read goes on; moving on to the next file or
// closing the window must not wait for it: the window answers, the next file plays, and the close ends
// the program and stores the settings, all while the read is still caught.
TEST(EndToEndSlowOpenTest, AFileCaughtInAReadForGoodIsLeftAndTheWindowMovesOnAndCloses) {
    EnsureTestServers();
    constexpr int kForGoodMs = 10 * 60 * 1000;
    struct Leaving {
        const char* how;
        bool next;
    };
    for (const Leaving leaving : {Leaving{"moving on to the next file", true}, Leaving{"closing", false}}) {
        SCOPED_TRACE(leaving.how);
        PlayerInstall install(".avi", 6.0);
        ProfileFile settings(install.SettingsFile());
        std::optional<SlowFirstRead> slowRead(std::in_place, "/a2.avi", kForGoodMs);
        RunningPlayer player(install);
        slowRead.reset();
        ASSERT_TRUE(player.WaitUntilReady());
        player.DoubleClickFile("a2.avi");
        // A window in which nothing may happen: the double click must have reached the build, which
        // then waits for the read, before the next step is taken.
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        std::string playing = "a2.avi";
        if (leaving.next) {
            player.Press("次のファイル(W)");
            // The build gives up after its deadline; then the held press moves on (the failed file
            // counting as ended may move on once more).
            ASSERT_TRUE(player.WaitUntil(
                [](const Objects& o) {
                    return !IsSelected(o, "a2.avi") && TextOf(o, "text", "再生位置") >= "00:00:01.0";
                },
                45000))
                << "the window froze behind the caught read";
            playing = player.SelectedFile();
            EXPECT_TRUE(player.Find("push button", "停止(Y)")) << "the window does not answer";
        }
        EXPECT_EQ(player.Close(45000), 0);
        // A close held until the build gave up may come after the tick that counts the failed file as
        // ended and starts the next one.
        const std::string stored = settings.ReadString("Play", "File", "");
        EXPECT_TRUE(stored == install.Clip(playing) || (!leaving.next && stored == install.Clip("a3.avi")))
            << stored;
    }
}

} // namespace
