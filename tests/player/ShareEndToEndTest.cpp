// SPDX-License-Identifier: GPL-2.0-or-later
// The real program beside a network share whose server sleeps or is gone. The share holds every
// look-up until the test wakes it, so the cases judge order, never speed: what the user must have
// while the program's question to the share is still waiting, and what follows once the share answers.

#include "core/ProfileFile.h"
#include "tests/support/Poll.h"
#include "tests/support/RunningPlayer.h"
#include "tests/support/ShareMount.h"
#include "tests/support/TestServers.h"
#include "tests/support/X11Tools.h"

#include <csignal>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <optional>

namespace {

using Objects = std::vector<SeenObject>;
const std::string Title = "Tarnwick 1.06";

const SeenObject* Find(const Objects& objects, const std::string& role, const std::string& name) {
    for (const SeenObject& seen : objects) {
        if (seen.role == role && seen.name == name) {
            return &seen;
        }
    }
    return nullptr;
}

const SeenObject* Row(const Objects& objects, const std::string& name) {
    return Find(objects, "list item", name);
}

class ShareEndToEndTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { EnsureTestServers(); }

    void SetUp() override {
        if (!share.Problem().empty()) {
            if (ShareMount::MaySkip()) {
                GTEST_SKIP() << share.Problem();
            }
            FAIL() << share.Problem();
        }
        for (const char* name : {"nas1.avi", "nas2.avi"}) {
            std::filesystem::copy_file(install.Clip("a1.avi"), share.Files() + "/" + name);
        }
    }

    // A program caught in a look-up can be neither killed nor reaped before the share answers.
    void TearDown() override { share.Wake(); }

    // Starts the program with the settings while the share sleeps. Its window must appear, answer the
    // desktop's ping and be read by a screen reader, all while the share still holds; when the
    // settings name the share, also after the program has asked it something.
    enum class Held { Everything, Opens };
    void StartWhileTheShareSleeps(const std::string& playSection, bool settingsNameTheShare,
                                  Held held = Held::Everything,
                                  const std::vector<std::string>& arguments = {}) {
        if (!playSection.empty()) {
            std::ofstream(install.SettingsFile()) << "[Play]\n" << playSection;
        }
        if (held == Held::Opens) {
            share.HoldOpens();
        } else {
            share.Sleep();
        }
        player.emplace(install, arguments);
        const auto window = WaitForWindow(Title, 60000);
        ASSERT_TRUE(window) << "no window while the share sleeps; the share was asked:\n" << share.Asked();
        if (settingsNameTheShare) {
            ASSERT_TRUE(share.WaitUntilAsked(30000)) << "the program never looked at the share";
        }
        EXPECT_TRUE(AnswersPing(window->id, 10000)) << "the share was asked:\n" << share.Asked();
        ASSERT_TRUE(player->WaitUntilReady(60000))
            << "a screen reader cannot read the window while the share sleeps; it was asked:\n"
            << share.Asked();
    }

    PlayerInstall install{".avi", 6.0};
    ShareMount share;
    std::optional<RunningPlayer> player;
};

TEST_F(ShareEndToEndTest, ADeadShareInTheMountTableNeitherHoldsTheWindowNorItsLocalFolder) {
    ASSERT_NO_FATAL_FAILURE(StartWhileTheShareSleeps("", false));
    EXPECT_TRUE(player->WaitUntil([](const Objects& o) { return Row(o, "a1.avi") != nullptr; }, 30000))
        << "the local folder's rows are missing";
    share.Wake();
    EXPECT_EQ(player->Close(), 0);
}

TEST_F(ShareEndToEndTest, AStoredFolderOnASleepingShareIsListedOnceTheShareWakes) {
    ASSERT_NO_FATAL_FAILURE(StartWhileTheShareSleeps("Dir=" + share.MountPoint() + "\n", true));
    share.Wake();
    EXPECT_TRUE(player->WaitUntil(
        [](const Objects& o) { return Row(o, "nas1.avi") && Row(o, "nas2.avi") && !Row(o, "a1.avi"); },
        30000))
        << "the share's folder never replaced the start-up folder";
    EXPECT_EQ(player->Close(), 0);
}

TEST_F(ShareEndToEndTest, AResumeFromASleepingSharePlaysOnFromItsPlaceOnceTheShareWakes) {
    ASSERT_NO_FATAL_FAILURE(StartWhileTheShareSleeps(
        "File=" + share.Path("nas2.avi") + "\nResume=1\nPlaying=1\nPosition=20000000\n", true));
    share.Wake();
    std::string firstSeen;
    EXPECT_TRUE(player->WaitUntil(
        [&firstSeen](const Objects& o) {
            const SeenObject* row = Row(o, "nas2.avi");
            const SeenObject* position = Find(o, "text", "再生位置");
            if (!row || !row->Has("selected") || !position || position->text.empty()) {
                return false;
            }
            const std::string& now = position->text;
            firstSeen = firstSeen.empty() ? now : firstSeen;
            return now > "00:00:02.0";
        },
        30000))
        << "the stored file did not play on; position " << player->PositionText();
    EXPECT_GE(firstSeen, "00:00:02.0") << "the file started over instead of resuming";
    EXPECT_EQ(player->Close(), 0);
}

// The kernel may answer a file's look-ups from what it knows while the open has to wait for the
// server: the build's open must not hold the window either.
TEST_F(ShareEndToEndTest, AFileWhoseOpenWaitsForTheSharePlaysOnceItAnswers) {
    ASSERT_NO_FATAL_FAILURE(StartWhileTheShareSleeps("", true, Held::Opens, {share.Path("nas1.avi")}));
    share.Wake();
    EXPECT_TRUE(player->WaitUntil(
        [](const Objects& o) {
            const SeenObject* row = Row(o, "nas1.avi");
            const SeenObject* position = Find(o, "text", "再生位置");
            return row && row->Has("selected") && position && position->text > "00:00:01.0";
        },
        30000))
        << "the file did not play once the share answered; position " << player->PositionText();
    EXPECT_EQ(player->Close(), 0);
}

// The session's end must neither wait for the share nor lose the place it could not check: the place
// is written back as it was read.
TEST_F(ShareEndToEndTest, SigtermWhileTheShareIsDeadEndsTheWindowAndKeepsThePlace) {
    const std::string file = share.Path("nas2.avi");
    ASSERT_NO_FATAL_FAILURE(StartWhileTheShareSleeps(
        "Dir=" + share.MountPoint() + "\nFile=" + file + "\nResume=1\nPlaying=1\nPosition=20000000\n", true));
    ::kill(player->Pid(), SIGTERM);
    EXPECT_TRUE(PollUntil([] { return !WaitForWindow(Title, 0); }, std::chrono::seconds(30)))
        << "the window stays while the share is dead";
    const ProfileFile settings(install.SettingsFile());
    // "Filter" is the last key of the section Play that the end writes.
    EXPECT_TRUE(PollUntil([&settings] { return !settings.ReadString("Play", "Filter", "").empty(); },
                          std::chrono::seconds(30)))
        << "the settings were not written while the share is dead:\n"
        << ReadSettingsFile(install.SettingsFile());
    EXPECT_EQ(settings.ReadString("Play", "File", ""), file);
    EXPECT_EQ(settings.ReadString("Play", "Playing", ""), "1");
    EXPECT_EQ(settings.ReadString("Play", "Position", ""), "20000000");
    share.Wake();
    EXPECT_EQ(player->WaitForExit(30000), 0) << "the program did not end once the share answered";
}

} // namespace
