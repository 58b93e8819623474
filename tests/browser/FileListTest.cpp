// SPDX-License-Identifier: GPL-2.0-or-later
#include "core/Errors.h"
#include "browser/TFileListBox.h"
#include "tests/browser/BrowserFixture.h"

#include <QListView>
#include <QSignalSpy>
#include <QTest>
#include <sys/stat.h>
#include <unistd.h>

using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

class FileListTest : public BrowserTest {
protected:
    void SetUp() override {
        BrowserTest::SetUp();
        temp.WriteFile("video/b.avi", "");
        temp.WriteFile("video/A.avi", "");
        temp.WriteFile("video/notes.txt", "");
        temp.MakeFolder("video/2006");
        temp.MakeFolder("empty");
        list.show();
    }
    TFileListBox list;
};

} // namespace

TEST_F(FileListTest, EmptyFolderOrUnmatchedMaskGivesNoRowsNoPathNoError) {
    list.SetCurrentDir(Path("empty"));
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(list.SelectedPath(), "");
    list.SetCurrentDir(Path("video"));
    list.SetMask("*.xyz");
    EXPECT_EQ(list.Count(), 0);
    list.SetItemIndex(0);
    EXPECT_EQ(list.SelectedPath(), "");
}

TEST_F(FileListTest, ListsOrdinaryFilesSortedAndJoinsTheSelectedPathOnce) {
    list.SetCurrentDir(Path("video"));
    EXPECT_THAT(Rows(list), ElementsAre("A.avi", "b.avi", "notes.txt"));
    EXPECT_EQ(list.CurrentDir(), Path("video"));
    list.SetItemIndex(1);
    EXPECT_EQ(list.SelectedPath(), Path("video/b.avi"));

    // At a drive's root the folder already is the whole root: one "/" between.
    UseMounts({{"usb", "vfat", "/dev/sdb1", "", true}});
    temp.WriteFile("usb/clip.avi", "");
    list.SetCurrentDir(Path("usb"));
    list.SetItemIndex(0);
    EXPECT_EQ(list.SelectedPath(), Path("usb/clip.avi"));
}

TEST_F(FileListTest, SamePatternTwiceInDifferentCaseListsAFileTwice) {
    list.SetCurrentDir(Path("video"));
    list.SetMask("*.TXT;*.txt");
    EXPECT_THAT(Rows(list), ElementsAre("notes.txt", "notes.txt"));
}

TEST_F(FileListTest, AMaskThatDiffersOnlyInCaseRescansAndEmptiesTheSelection) {
    list.SetCurrentDir(Path("video"));
    list.SetMask("*.avi");
    list.SetItemIndex(0);
    QSignalSpy changes(&list, &TFileListBox::OnChange);
    list.SetMask("*.avi");
    EXPECT_EQ(changes.count(), 0);
    list.SetMask("*.AVI");
    EXPECT_EQ(changes.count(), 1);
    EXPECT_EQ(list.ItemIndex(), -1);
    EXPECT_EQ(list.LastSelected(), -1);
}

TEST_F(FileListTest, ItemIndexFromCodeIsCheckedAndRaisesNothing) {
    list.SetCurrentDir(Path("video"));
    QSignalSpy changes(&list, &TFileListBox::OnChange);
    list.SetItemIndex(2);
    list.SetItemIndex(3);
    list.SetItemIndex(-2);
    EXPECT_EQ(list.ItemIndex(), 2);
    list.SetItemIndex(-1);
    EXPECT_EQ(list.ItemIndex(), -1);
    EXPECT_EQ(changes.count(), 0);
}

TEST_F(FileListTest, UserSelectionAndDoubleClickNotify) {
    list.SetCurrentDir(Path("video"));
    QSignalSpy changes(&list, &TFileListBox::OnChange);
    QSignalSpy doubleClicks(&list, &TFileListBox::OnDblClick);
    auto* view = list.findChild<QListView*>();
    const QRect second = view->visualRect(view->model()->index(1, 0));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, second.center());
    EXPECT_EQ(list.SelectedName(), "b.avi");
    EXPECT_EQ(changes.count(), 1);
    QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, second.center());
    EXPECT_EQ(doubleClicks.count(), 1);
    EXPECT_EQ(list.SelectedName(), "b.avi");
    // Only the primary button on a row plays: not the others, not the room below the last row.
    const QPoint belowRows(second.center().x(), view->visualRect(view->model()->index(2, 0)).bottom() + 8);
    QTest::mouseDClick(view->viewport(), Qt::RightButton, {}, second.center());
    QTest::mouseDClick(view->viewport(), Qt::MiddleButton, {}, second.center());
    QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, belowRows);
    EXPECT_EQ(doubleClicks.count(), 1);
}

TEST_F(FileListTest, GoToPathWithAFileTheMaskExcludesShowsJustThatFile) {
    list.SetMask("*.avi");
    list.GoToPath(Path("video/notes.txt"));
    EXPECT_EQ(list.CurrentDir(), Path("video"));
    EXPECT_EQ(list.Mask(), "notes.txt");
    EXPECT_THAT(Rows(list), ElementsAre("notes.txt"));
    EXPECT_EQ(list.SelectedPath(), Path("video/notes.txt"));
}

TEST_F(FileListTest, GoToPathWithAPatternOrAFolder) {
    list.GoToPath(Path("video/*.txt"));
    EXPECT_EQ(list.CurrentDir(), Path("video"));
    EXPECT_EQ(list.Mask(), "*.txt");
    EXPECT_THAT(Rows(list), ElementsAre("notes.txt"));

    list.GoToPath(Path("video/2006"));
    EXPECT_EQ(list.CurrentDir(), Path("video/2006"));
    EXPECT_EQ(list.ItemIndex(), -1);
}

TEST_F(FileListTest, GoToPathWithAMissingFileMovesThenRefusesTheName) {
    const std::string missing = Path("video/gone.avi");
    try {
        list.GoToPath(missing);
        FAIL() << "no error";
    } catch (const EInvalidOperation& error) {
        EXPECT_EQ(std::string(error.what()), "不正なファイル名 - " + missing);
    }
    EXPECT_EQ(list.CurrentDir(), Path("video"));
    EXPECT_EQ(list.SelectedName(), "");
}

TEST_F(FileListTest, GoToPathIntoAMissingFolderChangesNothing) {
    list.SetCurrentDir(Path("video"));
    list.SetItemIndex(0);
    try {
        list.GoToPath(Path("nowhere/clip.avi"));
        FAIL() << "no error";
    } catch (const EInOutError& error) {
        EXPECT_EQ(error.ErrorCode, 2);
        EXPECT_EQ(std::string(error.what()), "ファイルが見つかりません");
    }
    EXPECT_EQ(list.CurrentDir(), Path("video"));
    EXPECT_EQ(list.SelectedName(), "A.avi");
}

TEST_F(FileListTest, HiddenAndSpecialFilesStayOutUnlessAskedFor) {
    temp.WriteFile("video/.secret.avi", "");
    mkfifo(Path("video/pipe.avi").c_str(), 0600);
    list.SetCurrentDir(Path("video"));
    list.SetMask("*.avi");
    EXPECT_THAT(Rows(list), ElementsAre("A.avi", "b.avi"));
    list.SetFileType(TFileType::Of(ftHidden | ftDirectory, true));
    EXPECT_THAT(Rows(list), ElementsAre(".secret.avi", "A.avi", "b.avi"));
    list.SetMask("*");
    EXPECT_THAT(Rows(list),
                ElementsAre(".secret.avi", "[..]", "[.]", "[2006]", "A.avi", "b.avi", "notes.txt"));
}

TEST_F(FileListTest, AFolderThatMayNotBeEnteredKeepsTheOldRows) {
    temp.WriteFile("locked/inside.avi", "");
    chmod(Path("locked").c_str(), 0);
    list.SetCurrentDir(Path("video"));
    list.SetItemIndex(1);
    WithoutAccessOverride asUser;
    try {
        list.SetCurrentDir(Path("locked"));
        FAIL() << "no error";
    } catch (const EInOutError& error) {
        EXPECT_EQ(error.ErrorCode, 5);
        EXPECT_EQ(std::string(error.what()), "ファイルへのアクセスが拒否されました");
    }
    EXPECT_EQ(list.CurrentDir(), Path("video"));
    EXPECT_THAT(Rows(list), ElementsAre("A.avi", "b.avi", "notes.txt"));
    EXPECT_EQ(list.SelectedName(), "b.avi");
}

TEST_F(FileListTest, MultibyteAndBrokenNamesAreListedAndKeptByTheirBytes) {
    const std::string japanese = "動画ファイル.avi";
    const std::string broken = "bad\xff\xfe.avi";
    temp.WriteFile("names/" + japanese, "");
    temp.WriteFile("names/" + broken, "");
    list.SetCurrentDir(Path("names"));
    EXPECT_THAT(Rows(list), ElementsAre(broken, japanese));
    list.SelectName(broken);
    EXPECT_EQ(list.SelectedPath(), Path("names/" + broken));
    list.GoToPath(Path("names/" + japanese));
    EXPECT_EQ(list.SelectedName(), japanese);
    list.SetMask("?????ファイル.*");
    EXPECT_THAT(Rows(list), IsEmpty());
    list.SetMask("??ファイル.*");
    EXPECT_THAT(Rows(list), ElementsAre(japanese));
}

TEST_F(FileListTest, SelectNamePrefersTheExactNameWhereCaseCounts) {
    temp.WriteFile("cases/Clip.avi", "");
    temp.WriteFile("cases/clip.avi", "");
    temp.WriteFile("cases/a.avi", "");
    list.SetCurrentDir(Path("cases"));
    list.SelectName("Clip.avi");
    EXPECT_EQ(list.SelectedName(), "Clip.avi");
    list.SelectName("clip.avi");
    EXPECT_EQ(list.SelectedName(), "clip.avi");
    list.SelectName("CLIP.AVI");
    EXPECT_EQ(list.SelectedName().size(), 8u);

    // On a volume that ignores case the name is already selected in any case.
    UseMounts({{"fat", "vfat", "/dev/sdb1", "", true}});
    temp.WriteFile("fat/Clip.avi", "");
    list.SetCurrentDir(Path("fat"));
    list.SelectName("clip.avi");
    EXPECT_EQ(list.SelectedName(), "Clip.avi");
    QSignalSpy changes(&list, &TFileListBox::OnChange);
    list.SelectName("CLIP.AVI");
    EXPECT_EQ(changes.count(), 0);
}

TEST_F(FileListTest, NothingIsListedBeforeTheWindowExists) {
    TFileListBox hidden;
    QSignalSpy changes(&hidden, &TFileListBox::OnChange);
    hidden.SetCurrentDir(Path("video"));
    EXPECT_EQ(hidden.Count(), 0);
    EXPECT_EQ(changes.count(), 0);
    hidden.show();
    EXPECT_EQ(hidden.Count(), 3);
    EXPECT_EQ(changes.count(), 1);
}
