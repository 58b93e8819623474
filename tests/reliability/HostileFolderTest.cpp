// SPDX-License-Identifier: GPL-2.0-or-later
#include "browser/ProcessDirectory.h"
#include "browser/TDirectoryListBox.h"
#include "browser/TDriveComboBox.h"
#include "browser/TFileListBox.h"
#include "core/Errors.h"
#include "tests/browser/BrowserFixture.h"
#include "tests/reliability/TmpfsMount.h"
#include "tests/support/WorkingDirectory.h"

#include <QComboBox>
#include <QListWidget>
#include <QTest>
#include <algorithm>
#include <chrono>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::UnorderedElementsAreArray;

namespace {

// The browser's three linked controls on a temporary tree, shown, as in the main window.
class HostileFolderTest : public BrowserTest {
protected:
    void SetUp() override {
        BrowserTest::SetUp();
        drives.SetDirList(&dirs);
        dirs.SetFileList(&files);
        drives.show();
        dirs.show();
        files.show();
    }

    // Opens the row of the directory list as the user does, with the Enter key; the last row of
    // that text, so that a subfolder wins over a level of the same name.
    void EnterRow(const std::string& text) {
        for (int row = dirs.Count() - 1; row >= 0; --row) {
            if (dirs.Item(row) == text) {
                dirs.SetItemIndex(row);
                QTest::keyClick(dirs.findChild<QListWidget*>(), Qt::Key_Return);
                return;
            }
        }
        ADD_FAILURE() << "no row " << text;
    }

    // Draws the controls, so that every name is also put on the screen once.
    void Paint() {
        (void)files.grab();
        (void)dirs.grab();
        (void)drives.grab();
    }

    static void Touch(const std::string& path) {
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
        ASSERT_GE(fd, 0) << path;
        ::close(fd);
    }

    // The code and message of the error that a call raises, or "none".
    template <typename Call> static std::string ErrorOf(Call&& call) {
        try {
            call();
        } catch (const EInOutError& error) {
            return std::to_string(error.ErrorCode) + " " + error.what();
        } catch (const std::exception& error) {
            return std::string("other ") + error.what();
        }
        return "none";
    }

    TDriveComboBox drives;
    TDirectoryListBox dirs;
    TFileListBox files;
};

} // namespace

TEST_F(HostileFolderTest, AHundredThousandFilesAreListedAndFiltered) {
    constexpr int kFiles = 100000;
    using Clock = std::chrono::steady_clock;
    const auto seconds = [](Clock::time_point from) {
        return std::chrono::duration<double>(Clock::now() - from).count();
    };
    // On a memory file system when one can be mounted: making and removing the files then takes a
    // second instead of several.
    const std::string big = temp.MakeFolder("big");
    TmpfsMount memory(big, 256u << 20);
    auto phase = Clock::now();
    for (int i = 0; i < kFiles; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "/clip%06d.%s", i, i % 2 ? "avi" : "txt");
        Touch(big + name);
    }
    std::printf("%d files made in %.2f s\n", kFiles, seconds(phase));
    phase = Clock::now();
    dirs.SetCurrentDir(big);
    std::printf("listed in %.2f s\n", seconds(phase));
    EXPECT_EQ(files.Count(), kFiles);
    EXPECT_EQ(files.Item(0), "clip000000.txt");
    EXPECT_EQ(files.Item(kFiles - 1), "clip099999.avi");
    phase = Clock::now();
    files.SetMask("*.avi");
    std::printf("half of them listed in %.2f s\n", seconds(phase));
    EXPECT_EQ(files.Count(), kFiles / 2);
    files.SelectName("clip099999.avi");
    EXPECT_EQ(files.SelectedPath(), big + "/clip099999.avi");
    phase = Clock::now();
    Paint();
    std::printf("drawn in %.2f s\n", seconds(phase));
    EXPECT_TRUE(reported.empty());
}

TEST_F(HostileFolderTest, StrangeNamesAreListedDrawnAndReachedByTheirBytes) {
    const std::vector<std::string> fileNames = {
        "line\nbreak.avi",
        "carriage\rreturn.avi",
        "bad\xff\xfe.avi",
        "cut\xe3\x81.avi",
        "surrogate\xed\xa0\x80.avi",
        std::string(251, 'n') + ".avi",
        [] {
            std::string name;
            for (int i = 0; i < 85; ++i) {
                name += "あ"; // 3 bytes each: 255 bytes
            }
            return name;
        }(),
        ".hidden.avi",
        "..avi",
        "...",
        " spaced .avi",
        "[looks like a folder]",
        "*star?.avi",
    };
    const std::vector<std::string> folderNames = {"folder\nwith break", "folder\xfe", std::string(255, 'f'),
                                                  ".dotted"};
    const std::string odd = temp.MakeFolder("odd");
    for (const std::string& name : fileNames) {
        Touch(odd + "/" + name);
    }
    for (const std::string& name : folderNames) {
        ASSERT_EQ(mkdir((odd + "/" + name).c_str(), 0755), 0) << name;
    }

    dirs.SetCurrentDir(odd);
    files.SetFileType(TFileType::Of(ftHidden, true));
    std::vector<std::string> rows = Rows(files);
    EXPECT_THAT(rows, UnorderedElementsAreArray(fileNames));
    // Every row leads back to its own file, whatever its bytes.
    for (int row = 0; row < files.Count(); ++row) {
        files.SetItemIndex(row);
        struct stat info {};
        EXPECT_EQ(stat(files.SelectedPath().c_str(), &info), 0) << files.SelectedPath();
    }
    files.SetMask("*");
    files.GoToPath(odd + "/line\nbreak.avi");
    EXPECT_EQ(files.SelectedName(), "line\nbreak.avi");
    files.GoToPath(odd + "/" + fileNames[2]);
    EXPECT_EQ(files.SelectedName(), fileNames[2]);
    Paint();

    // Hidden folders stay out; each other folder can be entered and left by its row.
    const std::vector<std::string> dirRows = Rows(dirs);
    const std::vector<std::string> subfolders(dirRows.end() - 3, dirRows.end());
    EXPECT_THAT(subfolders, UnorderedElementsAreArray(
                                std::vector<std::string>(folderNames.begin(), folderNames.end() - 1)));
    for (const std::string& name : subfolders) {
        EnterRow(name);
        EXPECT_EQ(dirs.CurrentDir(), odd + "/" + name);
        EXPECT_EQ(files.CurrentDir(), odd + "/" + name);
        Paint();
        EnterRow("odd");
        EXPECT_EQ(dirs.CurrentDir(), odd);
    }
    EXPECT_THAT(reported, ElementsAre());
}

// Folders of 255-byte names nested past the longest path the system accepts: the browser goes as
// deep as the system lets it and reports the refusal beyond.
TEST_F(HostileFolderTest, APathPastTheSystemLimitIsRefusedWithAnError) {
    const std::string name(255, 'd');
    std::string deepest = root;
    int fd = ::open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    for (int level = 0; level < 18; ++level) {
        ASSERT_EQ(mkdirat(fd, name.c_str(), 0755), 0);
        const int next = ::openat(fd, name.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        ::close(fd);
        fd = next;
        deepest += "/" + name;
    }
    ::close(fd);
    ASSERT_GT(deepest.size(), std::size_t{PATH_MAX});

    dirs.SetCurrentDir(root);
    EXPECT_EQ(ErrorOf([&] { dirs.SetCurrentDir(deepest); }), "36 I/O エラー (36)");
    EXPECT_EQ(dirs.CurrentDir(), root);
    EXPECT_EQ(files.CurrentDir(), root);
    std::size_t depth = 0;
    while (reported.empty() && depth < 20) {
        EnterRow(name);
        ++depth;
    }
    ASSERT_EQ(reported.size(), 1u) << "went " << depth << " levels down without an error";
    EXPECT_EQ(reported[0], "I/O エラー (36)");
    EXPECT_LE(dirs.CurrentDir().size(), std::size_t{PATH_MAX});
    EXPECT_EQ(files.CurrentDir(), dirs.CurrentDir());
    Paint();
}

TEST_F(HostileFolderTest, AFolderThatLosesItsPermissionsWhileListedReportsAndKeepsItsRows) {
    temp.WriteFile("shown/a.avi", "");
    temp.MakeFolder("shown/inner");
    temp.WriteFile("other/b.avi", "");
    dirs.SetCurrentDir(Path("shown"));
    ASSERT_THAT(Rows(files), ElementsAre("a.avi"));

    chmod(Path("shown/inner").c_str(), 0);
    chmod(Path("shown").c_str(), 0);
    WithoutAccessOverride asUser;
    EXPECT_EQ(ErrorOf([&] { files.RescanFiles(); }), "5 ファイルへのアクセスが拒否されました");
    EXPECT_THAT(Rows(files), ElementsAre("a.avi"));
    EnterRow("inner");
    EXPECT_THAT(reported, ElementsAre("ファイルへのアクセスが拒否されました"));
    EXPECT_EQ(dirs.CurrentDir(), Path("shown"));
    // A folder that cannot be read has no subfolder rows, and the way out still works.
    dirs.RefreshLevels();
    Paint();
    EnterRow(std::filesystem::path(root).filename());
    EXPECT_EQ(dirs.CurrentDir(), root);
    dirs.SetCurrentDir(Path("other"));
    EXPECT_THAT(Rows(files), ElementsAre("b.avi"));
    EXPECT_EQ(reported.size(), 1u);
}

TEST_F(HostileFolderTest, AFolderThatDisappearsWhileListedReportsAndTheWayOutStillWorks) {
    temp.WriteFile("gone/a.avi", "");
    temp.MakeFolder("gone/inner");
    temp.WriteFile("other/b.avi", "");
    dirs.SetCurrentDir(Path("gone"));
    ASSERT_THAT(Rows(files), ElementsAre("a.avi"));
    // The process stands in the folder too, as when a shell started the player there.
    ChangeDirectory(Path("gone"));

    std::filesystem::remove_all(Path("gone"));
    EXPECT_EQ(ErrorOf([&] { files.RescanFiles(); }), "2 ファイルが見つかりません");
    EXPECT_THAT(Rows(files), ElementsAre("a.avi"));
    EnterRow("inner");
    EXPECT_THAT(reported, ElementsAre("ファイルが見つかりません"));
    Paint();

    // The process stands in a folder that no longer exists; the parent row and a typed path must
    // still lead out of it.
    EnterRow(std::filesystem::path(root).filename());
    EXPECT_EQ(reported.size(), 1u) << reported.back();
    EXPECT_EQ(dirs.CurrentDir(), root);
    EXPECT_EQ(files.CurrentDir(), root);

    temp.MakeFolder("gone2");
    dirs.SetCurrentDir(Path("gone2"));
    std::filesystem::remove_all(Path("gone2"));
    files.GoToPath(Path("other/b.avi"));
    EXPECT_EQ(files.SelectedPath(), Path("other/b.avi"));
    EXPECT_EQ(dirs.CurrentDir(), Path("other"));
}

TEST_F(HostileFolderTest, SymbolicLinkLoopsAreRefusedWithoutHanging) {
    const std::string loops = temp.MakeFolder("loops");
    temp.WriteFile("loops/clip.avi", "");
    temp.MakeFolder("loops/real");
    symlink("self", (loops + "/self").c_str());
    symlink("b", (loops + "/a").c_str());
    symlink("a", (loops + "/b").c_str());
    symlink("..", (loops + "/real/up").c_str());

    dirs.SetCurrentDir(loops);
    EXPECT_THAT(Rows(files), ElementsAre("clip.avi"));
    // The looping links name nothing that can be opened: system entries, never folders.
    files.SetFileType(TFileType::Of(ftSystem | ftDirectory, true));
    EXPECT_THAT(Rows(files), ElementsAre("[..]", "[.]", "[real]", "a", "b", "clip.avi", "self"));
    EXPECT_THAT(Rows(dirs), Contains("real"));
    EXPECT_THAT(Rows(dirs), ::testing::Not(Contains("self")));

    EXPECT_EQ(ErrorOf([&] { files.SetCurrentDir(loops + "/self"); }), "40 I/O エラー (40)");
    EXPECT_EQ(ErrorOf([&] { dirs.SetCurrentDir(loops + "/a/x"); }), "40 I/O エラー (40)");
    EXPECT_EQ(ErrorOf([&] { files.GoToPath(loops + "/b"); }), "other 不正なファイル名 - " + loops + "/b");
    // A link back up is an ordinary way round: the folder reached is read back without links.
    dirs.SetCurrentDir(loops + "/real/up/real/up/real");
    EXPECT_EQ(dirs.CurrentDir(), loops + "/real");
    EnterRow("up");
    EXPECT_EQ(dirs.CurrentDir(), loops);
    Paint();
}

TEST_F(HostileFolderTest, ADriveUnmountedWhileShownReportsAndTheOtherDrivesStillWork) {
    const std::string usb = temp.MakeFolder("usb");
    TmpfsMount mount(usb, 1 << 20);
    if (!mount.Mounted()) {
        std::printf("%s; the drive is taken away by removing its files instead\n", mount.Problem().c_str());
    }
    temp.WriteFile("usb/films/a.avi", "");
    temp.WriteFile("home/b.avi", "");
    UseMounts({{"usb", "tmpfs", "tmpfs", "STICK", true}});
    drives.RefreshDrives();
    ASSERT_EQ(drives.Count(), 2);
    dirs.SetCurrentDir(Path("usb/films"));
    ASSERT_EQ(drives.DriveLetter(), 'b');
    ASSERT_THAT(Rows(files), ElementsAre("a.avi"));

    if (mount.Mounted()) {
        mount.Unmount();
    } else {
        std::filesystem::remove_all(Path("usb/films"));
    }
    // The table still lists the drive until it is read again.
    EXPECT_EQ(ErrorOf([&] { files.RescanFiles(); }), "2 ファイルが見つかりません");
    EXPECT_THAT(Rows(files), ElementsAre("a.avi"));
    EnterRow(Path("usb")); // the drive's root row
    EXPECT_EQ(dirs.CurrentDir(), Path("usb"));
    Paint();

    // Picking the other drive and then the vanished one again lands on its empty mount point.
    auto* combo = drives.findChild<QComboBox*>();
    dirs.SetCurrentDir(Path("home"));
    combo->setCurrentIndex(1);
    emit combo->activated(1);
    EXPECT_EQ(dirs.CurrentDir(), Path("usb"));
    EXPECT_EQ(files.Count(), 0);

    // Once the table is read again the drive is gone and its folder belongs to the root drive.
    UseMounts({});
    drives.RefreshDrives();
    EXPECT_EQ(drives.Count(), 1);
    dirs.RefreshLevels();
    dirs.SetCurrentDir(Path("home"));
    EXPECT_THAT(Rows(files), ElementsAre("b.avi"));
    Paint();
    EXPECT_EQ(reported, std::vector<std::string>{});
}
