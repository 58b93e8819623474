// SPDX-License-Identifier: GPL-2.0-or-later
#include "browser/TDirectoryListBox.h"
#include "browser/TFileListBox.h"
#include "core/Errors.h"
#include "tests/browser/BrowserFixture.h"
#include "tests/support/HeldFileSystem.h"

#include <QLabel>
#include <QListWidget>
#include <QSignalSpy>
#include <QTest>
#include <filesystem>
#include <iterator>
#include <sys/stat.h>

using ::testing::ElementsAre;

namespace {

class DirectoryListTest : public BrowserTest {
protected:
    void SetUp() override {
        BrowserTest::SetUp();
        // The tree is a drive of its own, so that its rows are short and known.
        UseMounts({{"disk", "ext4", "/dev/sdb1", "", false}});
        disk = Path("disk");
        temp.MakeFolder("disk/video/2006/march");
        temp.MakeFolder("disk/video/2006/April");
        temp.MakeFolder("disk/video/2006/.cache");
        temp.WriteFile("disk/video/2006/clip.avi", "");
        temp.WriteFile("disk/video/top.avi", "");
        dirs.SetFileList(&files);
        dirs.show();
        files.show();
    }
    void DoubleClickRow(int row, Qt::MouseButton button = Qt::LeftButton) {
        auto* view = dirs.findChild<QListWidget*>();
        const QRect rect = view->visualItemRect(view->item(row));
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, rect.center());
        QTest::mouseDClick(view->viewport(), button, {}, rect.center());
    }
    // A question to the share that nobody waits for, as the drive selector asks it.
    void AskTheShareWithoutWaiting() {
        LookUpOffThread<bool>(
            &dirs,
            [share = disk + "/share"] {
                const FileSystemCall call("stat", share);
                return true;
            },
            [](bool&) {}, false);
    }
    std::string disk;
    TDirectoryListBox dirs;
    TFileListBox files;
};

} // namespace

TEST_F(DirectoryListTest, ADeepPathGivesLevelRowsCurrentRowAndSortedSubfolders) {
    dirs.SetCurrentDir(disk + "/video/2006");
    EXPECT_THAT(Rows(dirs), ElementsAre(disk, "video", "2006", "April", "march"));
    EXPECT_THAT((std::vector<std::string>{dirs.ItemGlyph(0), dirs.ItemGlyph(1), dirs.ItemGlyph(2),
                                          dirs.ItemGlyph(3)}),
                ElementsAre("OPENFOLDER", "OPENFOLDER", "CURRENTFOLDER", "CLOSEDFOLDER"));
    EXPECT_EQ(dirs.ItemIndex(), 2);
    EXPECT_EQ(dirs.PathOfRow(0), disk);
    EXPECT_EQ(dirs.PathOfRow(1), disk + "/video");
    EXPECT_EQ(dirs.PathOfRow(2), disk + "/video/2006");
    EXPECT_EQ(dirs.PathOfRow(4), disk + "/video/2006/march");
    EXPECT_EQ(dirs.PathOfRow(5), "");
    // Level rows step in by 4 pixels a row; subfolders sit one step past the current row.
    EXPECT_EQ(dirs.ItemIndent(0), 2);
    EXPECT_EQ(dirs.ItemIndent(2), 10);
    EXPECT_EQ(dirs.ItemIndent(3), 14);
    // The file list follows.
    EXPECT_EQ(files.CurrentDir(), disk + "/video/2006");
    EXPECT_THAT(Rows(files), ElementsAre("clip.avi"));
}

TEST_F(DirectoryListTest, AtTheDriveRootTheRootIsTheCurrentRow) {
    dirs.SetCurrentDir(disk);
    EXPECT_THAT(Rows(dirs), ElementsAre(disk, "video"));
    EXPECT_EQ(dirs.ItemGlyph(0), "CURRENTFOLDER");
    EXPECT_EQ(dirs.ItemIndex(), 0);
    EXPECT_EQ(dirs.ItemIndent(1), 10);
}

TEST_F(DirectoryListTest, OpeningRowsMovesUpAndDownButTheCurrentRowStays) {
    dirs.SetCurrentDir(disk + "/video/2006");
    QSignalSpy changes(&dirs, &TDirectoryListBox::OnChange);
    DoubleClickRow(2);
    EXPECT_EQ(changes.count(), 0);
    // Only the primary button opens a row, and only on a row.
    DoubleClickRow(4, Qt::RightButton);
    DoubleClickRow(4, Qt::MiddleButton);
    auto* view = dirs.findChild<QListWidget*>();
    const QRect last = view->visualItemRect(view->item(view->count() - 1));
    QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, last.center() + QPoint(0, 3 * last.height()));
    EXPECT_EQ(dirs.CurrentDir(), disk + "/video/2006");
    EXPECT_EQ(changes.count(), 0);
    DoubleClickRow(4);
    EXPECT_EQ(dirs.CurrentDir(), disk + "/video/2006/march");
    DoubleClickRow(1);
    EXPECT_EQ(dirs.CurrentDir(), disk + "/video");
    EXPECT_EQ(files.CurrentDir(), disk + "/video");
    dirs.SetItemIndex(0);
    QTest::keyClick(dirs.findChild<QListWidget*>(), Qt::Key_Return);
    EXPECT_EQ(dirs.CurrentDir(), disk);
    EXPECT_EQ(changes.count(), 3);
    EXPECT_TRUE(reported.empty());
}

TEST_F(DirectoryListTest, NamesThatDifferInCaseAreDifferentFoldersWhereCaseCounts) {
    temp.MakeFolder("disk/Video");
    dirs.SetCurrentDir(disk + "/video");
    dirs.SetCurrentDir(disk + "/Video");
    EXPECT_EQ(dirs.CurrentDir(), disk + "/Video");
    dirs.SetCurrentDir(disk);
    EXPECT_THAT(Rows(dirs), ElementsAre(disk, "Video", "video"));

    UseMounts({{"fat", "vfat", "/dev/sdc1", "", true}});
    temp.MakeFolder("fat/Films");
    temp.MakeFolder("fat/films");
    dirs.SetCurrentDir(Path("fat/Films"));
    QSignalSpy changes(&dirs, &TDirectoryListBox::OnChange);
    dirs.SetCurrentDir(Path("fat/FILMS"));
    EXPECT_EQ(changes.count(), 0);
    dirs.SetCurrentDir(Path("fat"));
    EXPECT_EQ(dirs.Count(), 2);
}

TEST_F(DirectoryListTest, AFolderThatMayNotBeEnteredRaisesAndKeepsTheRows) {
    temp.MakeFolder("disk/locked");
    chmod((disk + "/locked").c_str(), 0);
    dirs.SetCurrentDir(disk);
    const auto before = Rows(dirs);
    WithoutAccessOverride asUser;
    dirs.SetItemIndex(1); // "locked"
    ASSERT_EQ(dirs.Item(1), "locked");
    QTest::keyClick(dirs.findChild<QListWidget*>(), Qt::Key_Return);
    ASSERT_EQ(reported.size(), 1u);
    EXPECT_EQ(reported[0], "ファイルへのアクセスが拒否されました");
    EXPECT_EQ(dirs.CurrentDir(), disk);
    EXPECT_EQ(Rows(dirs), before);
    EXPECT_THROW(dirs.SetCurrentDir(disk + "/missing/folder"), EInOutError);
    EXPECT_EQ(files.CurrentDir(), disk);
}

TEST_F(DirectoryListTest, TheLabelShowsTheFolderShortenedToItsWidth) {
    QLabel label;
    label.resize(60, 20);
    dirs.SetCurrentDir(disk + "/video/2006/march");
    dirs.SetDirLabel(&label);
    const std::string shown = label.text().toStdString();
    EXPECT_NE(shown, dirs.CurrentDir());
    EXPECT_THAT(shown, ::testing::EndsWith("march"));
    EXPECT_LE(label.fontMetrics().horizontalAdvance(label.text()),
              60 + label.fontMetrics().horizontalAdvance("march"));
    label.resize(2000, 20);
    dirs.SetCurrentDir(disk + "/video");
    EXPECT_EQ(label.text().toStdString(), disk + "/video");
}

TEST_F(DirectoryListTest, AFolderOnASleepingShareMovesTheBrowserOnlyWhenItsListingLands) {
    temp.WriteFile("disk/share/recordings/news.mpg", "");
    temp.WriteFile("disk/share/gone/.keep", "");
    temp.WriteFile("disk/local/film.avi", "");
    dirs.SetCurrentDir(disk + "/video");
    const auto rowsBefore = Rows(dirs);
    HeldFileSystemGone held{HeldFileSystem::Install(disk + "/share")};
    // Questions to the share that nobody waits for (the drive selector's), asked faster than a thread
    // wakes to take them, hold up no later move.
    for (int question = 0; question < 2; ++question) {
        AskTheShareWithoutWaiting();
    }
    dirs.SetCurrentDir(disk + "/local");
    EXPECT_EQ(dirs.CurrentDir(), disk + "/local");

    // Each move to the share comes back at once with nothing changed and the browser shown busy;
    // the last move asked for wins, whatever comes back first.
    struct Case {
        const char* why;
        std::string held;    // asked while the share sleeps
        std::string then;    // asked next ("" for nothing)
        std::string landsIn; // where the browser ends once the share answers
        std::size_t errors;  // reported when the answer comes
    };
    const Case cases[] = {
        {"a listing overtaken by a local move is dropped", disk + "/share/recordings", disk + "/local",
         disk + "/local", 0},
        {"a listing that fails changes nothing and says so when it comes", disk + "/share/missing/x", "",
         disk + "/local", 1},
        {"a listing that lands moves the browser", disk + "/share/recordings", "", disk + "/share/recordings",
         0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        const std::string from = dirs.CurrentDir();
        const auto fromRows = Rows(dirs);
        const auto fromFiles = Rows(files);
        reported.clear();
        dirs.SetCurrentDir(c.held);
        EXPECT_EQ(dirs.CurrentDir(), from);
        EXPECT_EQ(Rows(dirs), fromRows);
        EXPECT_EQ(Rows(files), fromFiles);
        EXPECT_TRUE(dirs.Moving());
        EXPECT_EQ(files.cursor().shape(), Qt::BusyCursor);
        if (!c.then.empty()) {
            dirs.SetCurrentDir(c.then);
            EXPECT_EQ(dirs.CurrentDir(), c.then);
            EXPECT_FALSE(dirs.Moving());
        }
        held.held->LetGo();
        // The answer takes its turn in the event loop: once the worker has answered, nothing else
        // comes of it.
        ASSERT_TRUE(QTest::qWaitFor([&] { return dirs.CurrentDir() == c.landsIn && !dirs.Moving(); }, 10000))
            << dirs.CurrentDir() << " moving " << dirs.Moving() << " reported " << reported.size();
        QTest::qWait(50); // a window in which a dropped answer would show itself
        EXPECT_EQ(dirs.CurrentDir(), c.landsIn);
        EXPECT_EQ(files.CurrentDir(), c.landsIn);
        EXPECT_EQ(reported.size(), c.errors);
        held.held = HeldFileSystem::Install(disk + "/share");
    }
    EXPECT_THAT(Rows(files), ElementsAre("news.mpg"));
    EXPECT_NE(rowsBefore, Rows(dirs));
}

// The worker's threads can be started ahead, while no library loads: look-ups asked together then
// start no thread of their own, each finding one waiting.
TEST_F(DirectoryListTest, ThreadsStartedAheadServeLookUpsAskedTogetherWithoutStartingMore) {
    temp.WriteFile("disk/share/news.mpg", "");
    const auto threadsNow = [] {
        return std::distance(std::filesystem::directory_iterator("/proc/self/task"),
                             std::filesystem::directory_iterator());
    };
    HeldFileSystemGone held{HeldFileSystem::Install(disk + "/share")};
    constexpr int together = 3;
    file_system_worker::StartThreads(together);
    const auto before = threadsNow();
    for (int question = 0; question < together; ++question) {
        AskTheShareWithoutWaiting();
    }
    ASSERT_TRUE(QTest::qWaitFor([&] { return held.held->Caught() == together; }, 5000));
    EXPECT_EQ(threadsNow(), before);
}
