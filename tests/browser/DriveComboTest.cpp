// SPDX-License-Identifier: GPL-2.0-or-later
#include "browser/ProcessDirectory.h"
#include "browser/TDirectoryListBox.h"
#include "browser/TDriveComboBox.h"
#include "browser/TFileListBox.h"
#include "tests/browser/BrowserFixture.h"
#include "tests/support/WorkingDirectory.h"

#include <QComboBox>
#include <QSignalSpy>

using ::testing::ElementsAre;

namespace {

std::vector<std::string> Entries(const TDriveComboBox& drives) {
    std::vector<std::string> entries;
    for (int i = 0; i < drives.Count(); ++i) {
        entries.push_back(drives.Item(i) + " " + drives.ItemGlyph(i));
    }
    return entries;
}

class DriveComboTest : public BrowserTest {
protected:
    void SetUp() override {
        BrowserTest::SetUp();
        UseMounts({{"proc", "proc", "proc", "", false},
                   {"usb", "vfat", "/dev/sdb1", "STICK", true},
                   {"hd", "ext4", "/dev/sdc1", "Data", false},
                   {"cd", "iso9660", "/dev/sr0", "", false},
                   {"net", "nfs4", "Server:/Export", "", false},
                   {"ram", "tmpfs", "tmpfs", "", false}},
                  false);
        temp.MakeFolder("hd/films/2006");
        temp.WriteFile("hd/films/clip.avi", "");
        temp.MakeFolder("usb/photos");
        ChangeDirectory(Path("hd/films"));
    }
};

} // namespace

TEST_F(DriveComboTest, EntriesShowKeyLabelOrNetworkNameAndGlyphByKind) {
    TDriveComboBox drives;
    drives.show();
    EXPECT_THAT(Entries(drives), ElementsAre("a: FLOPPY", "b: [data] HARD", "c: [cd] CDROM",
                                             "d: server:/export NETWORK", "e: [ram] RAM"));
    EXPECT_EQ(drives.DriveLetter(), 'b');
    EXPECT_EQ(drives.ItemIndex(), 1);
    drives.SetTextCase(tcUpperCase);
    EXPECT_THAT(Entries(drives), ElementsAre("A: FLOPPY", "B: [DATA] HARD", "C: [CD] CDROM",
                                             "D: SERVER:/EXPORT NETWORK", "E: [RAM] RAM"));
    EXPECT_EQ(drives.DriveLetter(), 'B');
    EXPECT_EQ(drives.ItemIndex(), 1);
}

TEST_F(DriveComboTest, APickedDriveMovesTheChainAndItsOldFolderIsRemembered) {
    TDriveComboBox drives;
    TDirectoryListBox dirs;
    TFileListBox files;
    drives.SetDirList(&dirs);
    dirs.SetFileList(&files);
    drives.show();
    dirs.show();
    files.show();
    EXPECT_EQ(dirs.CurrentDir(), Path("hd/films"));
    QSignalSpy changes(&drives, &TDriveComboBox::OnChange);

    auto* combo = drives.findChild<QComboBox*>();
    combo->setCurrentIndex(0);
    emit combo->activated(0);
    EXPECT_EQ(drives.DriveLetter(), 'a');
    EXPECT_EQ(dirs.CurrentDir(), Path("usb"));
    EXPECT_EQ(files.CurrentDir(), Path("usb"));
    EXPECT_EQ(changes.count(), 1);
    dirs.SetCurrentDir(Path("usb/photos"));

    combo->setCurrentIndex(1);
    emit combo->activated(1);
    EXPECT_EQ(dirs.CurrentDir(), Path("hd/films"));
    // Assigning a folder on another drive moves the selector to it, and the drive's own
    // remembered folder is where the next pick of it goes.
    dirs.SetCurrentDir(Path("usb/photos"));
    EXPECT_EQ(drives.DriveLetter(), 'a');
    EXPECT_EQ(drives.ItemIndex(), 0);
    EXPECT_EQ(dirs.CurrentDir(), Path("usb/photos"));
    EXPECT_EQ(files.CurrentDir(), Path("usb/photos"));
    EXPECT_TRUE(reported.empty());
}

TEST_F(DriveComboTest, AFolderOnNoListedDriveClearsTheSelection) {
    TDriveComboBox drives;
    TDirectoryListBox dirs;
    drives.SetDirList(&dirs);
    drives.show();
    dirs.show();
    temp.MakeFolder("elsewhere");
    dirs.SetCurrentDir(Path("elsewhere"));
    EXPECT_EQ(drives.DriveLetter(), '\0');
    EXPECT_EQ(drives.ItemIndex(), -1);
    EXPECT_EQ(dirs.CurrentDir(), Path("elsewhere"));
    EXPECT_EQ(dirs.Item(0), "/");
}
