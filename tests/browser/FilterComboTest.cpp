// SPDX-License-Identifier: GPL-2.0-or-later
#include "browser/TDirectoryListBox.h"
#include "browser/TDriveComboBox.h"
#include "browser/TFileListBox.h"
#include "browser/TFilterComboBox.h"
#include "tests/browser/BrowserFixture.h"

#include <QComboBox>
#include <QSignalSpy>

using ::testing::ElementsAre;

namespace {

const std::string videoMask = "*.avi;*.wmv;*.mpg;*.m1v;*.m2v;*.m2p;*.mpv;*.vob;*.hv2";
const std::string builtInFilter = "再生可能なファイル|" + videoMask +
                                  "|動画(avi,wmv,asf,mpg,m1v,m2v,m2p,mpv,vob,hv2)|" + videoMask +
                                  "|すべてのファイル (*.*)|*.*";

class FilterComboTest : public BrowserTest {
protected:
    void SetUp() override {
        BrowserTest::SetUp();
        temp.WriteFile("clip.AVI", "");
        temp.WriteFile("notes.txt", "");
        filter.SetFileList(&list);
        filter.show();
        list.show();
        list.SetCurrentDir(root);
    }
    TFileListBox list;
    TFilterComboBox filter;
};

} // namespace

TEST_F(FilterComboTest, TheBuiltInFilterGivesThreeEntriesAndTheFirstMaskReachesTheList) {
    EXPECT_EQ(filter.Count(), 1); // the default: every file
    EXPECT_EQ(filter.CurrentMask(), "*.*");
    filter.SetFilter(builtInFilter);
    ASSERT_EQ(filter.Count(), 3);
    EXPECT_EQ(filter.Item(1), "動画(avi,wmv,asf,mpg,m1v,m2v,m2p,mpv,vob,hv2)");
    EXPECT_THAT(filter.EntryMasks(), ElementsAre(videoMask, videoMask, "*.*"));
    EXPECT_EQ(filter.ItemIndex(), 0);
    EXPECT_EQ(list.Mask(), videoMask);
    EXPECT_THAT(Rows(list), ElementsAre("clip.AVI"));
}

TEST_F(FilterComboTest, AUserPickSetsTheListsMask) {
    filter.SetFilter(builtInFilter);
    QSignalSpy clicks(&filter, &TFilterComboBox::OnClick);
    auto* combo = filter.findChild<QComboBox*>();
    combo->setCurrentIndex(2);
    emit combo->activated(2);
    EXPECT_EQ(clicks.count(), 1);
    EXPECT_EQ(list.Mask(), "*.*");
    EXPECT_EQ(list.Count(), 2);
}

TEST_F(FilterComboTest, AFilterThatDiffersOnlyInCaseChangesNothing) {
    filter.SetFilter("Video|*.avi");
    QSignalSpy changes(&filter, &TFilterComboBox::OnChange);
    filter.SetFilter("VIDEO|*.AVI");
    EXPECT_EQ(filter.Filter(), "Video|*.avi");
    EXPECT_EQ(changes.count(), 0);
    EXPECT_EQ(list.Mask(), "*.avi");
}

TEST_F(FilterComboTest, MalformedFiltersFollowTheLastEntryRule) {
    filter.SetFilter("no bars at all");
    EXPECT_EQ(filter.Count(), 0);
    EXPECT_EQ(list.Mask(), "*.*");

    filter.SetFilter("Video|*.avi|Dangling");
    EXPECT_EQ(filter.Count(), 1);
    filter.SetFilter("Empty|");
    EXPECT_THAT(filter.EntryMasks(), ElementsAre(""));
    EXPECT_EQ(list.Count(), 0);

    // With nothing selected, asking for the mask selects the last entry.
    filter.SetFilter("A|*.txt|B|*.avi");
    filter.SetItemIndex(-1);
    EXPECT_EQ(filter.CurrentMask(), "*.avi");
    EXPECT_EQ(filter.ItemIndex(), 1);
}

TEST_F(FilterComboTest, LinksAreKeptBothWaysAndForgottenOnDestruction) {
    EXPECT_EQ(list.FilterCombo(), &filter);
    auto* other = new TFileListBox;
    filter.SetFileList(other);
    EXPECT_EQ(list.FilterCombo(), nullptr);
    EXPECT_EQ(other->FilterCombo(), &filter);
    delete other;
    EXPECT_EQ(filter.FileList(), nullptr);

    auto* selector = new TFilterComboBox;
    selector->SetFileList(&list);
    delete selector;
    EXPECT_EQ(list.FilterCombo(), nullptr);

    auto* directories = new TDirectoryListBox;
    directories->SetFileList(&list);
    EXPECT_EQ(list.DirList(), directories);
    auto* drives = new TDriveComboBox;
    drives->SetDirList(directories);
    EXPECT_EQ(directories->DriveCombo(), drives);
    delete drives;
    EXPECT_EQ(directories->DriveCombo(), nullptr);
    drives = new TDriveComboBox;
    drives->SetDirList(directories);
    delete directories;
    EXPECT_EQ(list.DirList(), nullptr);
    EXPECT_EQ(drives->DirList(), nullptr);
    delete drives;

    directories = new TDirectoryListBox;
    directories->SetFileList(&list);
    auto* later = new TFileListBox;
    directories->SetFileList(later);
    EXPECT_EQ(list.DirList(), nullptr);
    delete later;
    EXPECT_EQ(directories->FileList(), nullptr);
    delete directories;
}
