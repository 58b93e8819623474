// SPDX-License-Identifier: GPL-2.0-or-later
#include "browser/FileScan.h"

#include "browser/ProcessDirectory.h"
#include "tests/support/TempDir.h"
#include "tests/support/WorkingDirectory.h"

#include <gmock/gmock.h>
#include <sys/stat.h>
#include <unistd.h>

using ::testing::ElementsAre;

namespace {

std::vector<std::string> Texts(const std::vector<FileRow>& rows) {
    std::vector<std::string> texts;
    for (const FileRow& row : rows) {
        texts.push_back(row.Text);
    }
    return texts;
}

class FileScanTest : public ::testing::Test {
protected:
    void SetUp() override {
        temp.WriteFile("b.avi", "");
        temp.WriteFile("A.AVI", "");
        temp.WriteFile("setup.EXE", "");
        temp.WriteFile(".hidden.avi", "");
        temp.WriteFile("sub/inner.avi", "");
        mkfifo((temp / "pipe.avi").c_str(), 0600);
        symlink("missing", (temp / "dangling.avi").c_str());
        symlink("sub", (temp / "linkdir").c_str());
        ChangeDirectory(temp.Path());
    }
    void TearDown() override { ChangeDirectory("/"); }
    std::vector<FileRow> Scan(const std::string& mask, TFileType type) {
        return ScanFiles(temp.Path(), mask, type, true, [] {});
    }
    TempDir temp;
};

} // namespace

TEST_F(FileScanTest, DefaultTypeListsOrdinaryFilesSortedWithoutCase) {
    EXPECT_THAT(Texts(Scan("*.*", TFileType::Normal())), ElementsAre("A.AVI", "b.avi", "setup.EXE"));
    const auto rows = Scan("*.exe;*.avi", TFileType::Normal());
    EXPECT_EQ(rows[2].Glyph, RowGlyph::Executable);
    EXPECT_EQ(rows[0].Glyph, RowGlyph::UnknownFile);
}

TEST_F(FileScanTest, WantedKindsAddHiddenSystemAndFolders) {
    const auto withFolders = Texts(Scan("*", TFileType::Of(ftDirectory, true)));
    EXPECT_THAT(withFolders, ElementsAre("[..]", "[.]", "[linkdir]", "[sub]", "A.AVI", "b.avi", "setup.EXE"));
    EXPECT_THAT(Texts(Scan("*.avi", TFileType::Of(ftHidden, true))),
                ElementsAre(".hidden.avi", "A.AVI", "b.avi"));
    EXPECT_THAT(Texts(Scan("*.avi", TFileType::Of(ftSystem, true))),
                ElementsAre("A.AVI", "b.avi", "dangling.avi", "pipe.avi"));
    // Without ftNormal only entries that carry a wanted attribute are kept.
    EXPECT_THAT(Texts(Scan("*", TFileType::Of(ftDirectory))),
                ElementsAre("[..]", "[.]", "[linkdir]", "[sub]"));
    chmod((temp / "b.avi").c_str(), 0444);
    EXPECT_THAT(Texts(Scan("*", TFileType::Of(ftReadOnly))), ElementsAre("b.avi"));
}

TEST_F(FileScanTest, PatternsAreTakenAsTheyStand) {
    EXPECT_THAT(Texts(Scan("*.avi;*.AVI", TFileType::Normal())),
                ElementsAre("A.AVI", "A.AVI", "b.avi", "b.avi"));
    EXPECT_TRUE(Scan("", TFileType::Normal()).empty());
    EXPECT_TRUE(Scan(" *.avi;;*.mpg", TFileType::Normal()).empty());
    EXPECT_TRUE(Scan("nowhere/*.avi", TFileType::Normal()).empty());
    EXPECT_THAT(Texts(Scan("sub/*.avi", TFileType::Normal())), ElementsAre("inner.avi"));
    EXPECT_THAT(SplitMask("a;;b;"), ElementsAre("a", "", "b", ""));
}

TEST_F(FileScanTest, SubfoldersLeaveOutHiddenOnesAndFoldCaseWhereTheVolumeDoes) {
    temp.MakeFolder("Sub");
    temp.MakeFolder(".git");
    EXPECT_THAT(ListSubdirectories(temp.Path(), true), ElementsAre("linkdir", "Sub", "sub"));
    EXPECT_EQ(ListSubdirectories(temp.Path(), false).size(), 2u);
    EXPECT_TRUE(ListSubdirectories(temp / "nowhere", true).empty());
}

TEST(InsertionPositionWatch, TellsWhenAnInsertionLandsAtTheWatchedPosition) {
    InsertionPositionWatch ascending(100);
    int landedAt = -1;
    for (int i = 0; i < 300 && landedAt < 0; ++i) {
        char key[8];
        snprintf(key, sizeof key, "%05d", i);
        if (ascending.Insert(key)) {
            landedAt = i;
        }
    }
    EXPECT_EQ(landedAt, 100); // the 101st key in order lands at index 100

    // Keys arriving in falling order all land at the front.
    InsertionPositionWatch descending(100);
    for (int i = 300; i > 0; --i) {
        char key[8];
        snprintf(key, sizeof key, "%05d", i);
        EXPECT_FALSE(descending.Insert(key));
    }

    // Equal keys go after those already there.
    InsertionPositionWatch equal(2);
    EXPECT_FALSE(equal.Insert("x"));
    EXPECT_FALSE(equal.Insert("x"));
    EXPECT_TRUE(equal.Insert("x"));
}
