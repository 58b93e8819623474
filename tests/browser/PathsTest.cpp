// SPDX-License-Identifier: GPL-2.0-or-later
#include "browser/Paths.h"

#include "browser/ProcessDirectory.h"
#include "browser/Volumes.h"
#include "core/Errors.h"
#include "tests/support/TempDir.h"
#include "tests/support/WorkingDirectory.h"

#include <climits>
#include <cstdlib>
#include <gmock/gmock.h>

namespace {

std::string RealPath(const std::string& path) {
    char resolved[PATH_MAX];
    return realpath(path.c_str(), resolved) ? resolved : path;
}

class SplitTypedPathTest : public ::testing::Test {
protected:
    void SetUp() override {
        Volumes::SetSource(std::make_unique<ScriptedVolumeSource>(std::vector<MountEntry>{
            {"/", "ext4", "/dev/sda1", "", false}, {root, "vfat", "/dev/sdb1", "", true}}));
        temp.WriteFile("video/clip.avi", "x");
        temp.MakeFolder("video/2006");
        ChangeDirectory(temp.Path());
    }
    void TearDown() override {
        ChangeDirectory("/");
        Volumes::SetSource(nullptr);
    }
    TempDir temp;
    const std::string root = RealPath(temp.Path());
};

} // namespace

TEST(JoinPath, AddsOneSeparator) {
    EXPECT_EQ(JoinPath("/home/v", "a.avi"), "/home/v/a.avi");
    EXPECT_EQ(JoinPath("/", "a.avi"), "/a.avi");
    EXPECT_EQ(JoinPath("/media/usb/", "a.avi"), "/media/usb/a.avi");
}

TEST_F(SplitTypedPathTest, TellsFilesFoldersAndPatternsApartWithoutMovingTheProcess) {
    const TypedPath file = SplitTypedPath(root + "/video/clip.avi", root);
    EXPECT_EQ(file.Dir, root + "/video");
    EXPECT_EQ(file.File, "clip.avi");

    const TypedPath folder = SplitTypedPath(root + "/video/2006", root);
    EXPECT_EQ(folder.Dir, root + "/video/2006");
    EXPECT_EQ(folder.File, "");

    const TypedPath pattern = SplitTypedPath(root + "/video/*.mpg", root);
    EXPECT_EQ(pattern.Dir, root + "/video");
    EXPECT_EQ(pattern.File, "*.mpg");

    // A folder row of a file list, and a bare name, are taken from the current directory.
    const TypedPath row = SplitTypedPath("[video]", root);
    EXPECT_EQ(row.Dir, root + "/video");
    EXPECT_EQ(row.File, "");
    const TypedPath relative = SplitTypedPath("video/clip.avi", root);
    EXPECT_EQ(relative.Dir, root + "/video");
    EXPECT_EQ(relative.File, "clip.avi");

    // A name that is neither file nor folder stays a file name for the caller to refuse.
    EXPECT_EQ(SplitTypedPath(root + "/video/gone.avi", root).File, "gone.avi");
    EXPECT_EQ(SplitTypedPath("/etc", root).Dir, "/etc");
    // The process's directory is never the browser's business.
    EXPECT_EQ(CurrentDirectory(), root);
}

TEST_F(SplitTypedPathTest, AFolderThatCannotBeEnteredRaisesAndStillReturns) {
    try {
        SplitTypedPath(root + "/nowhere/clip.avi", root);
        FAIL() << "no error";
    } catch (const EInOutError& error) {
        EXPECT_EQ(error.ErrorCode, 2);
    }
    EXPECT_THROW(SplitTypedPath(root + "/video/clip.avi/x.avi", root), EInOutError);
    EXPECT_EQ(CurrentDirectory(), root);
}

TEST(PathDepth, CountsLevelsBelowTheRoot) {
    EXPECT_EQ(PathDepth("/", "/"), 1);
    EXPECT_EQ(PathDepth("/video/2006", "/"), 2);
    EXPECT_EQ(PathDepth("/media/usb", "/media/usb"), 1);
    EXPECT_EQ(PathDepth("/media/usb/a/b", "/media/usb"), 2);
}

TEST(ShortenPathToWidth, DropsLeadingFoldersThenKeepsTheName) {
    const auto chars = [](const std::string& text) { return static_cast<int>(text.size()); };
    const std::string path = "/home/user/videos/clip.avi";
    EXPECT_EQ(ShortenPathToWidth(path, 100, chars), path);
    EXPECT_EQ(ShortenPathToWidth(path, 25, chars), "/.../user/videos/clip.avi");
    EXPECT_EQ(ShortenPathToWidth(path, 20, chars), "/.../videos/clip.avi");
    EXPECT_EQ(ShortenPathToWidth(path, 13, chars), "/.../clip.avi");
    EXPECT_EQ(ShortenPathToWidth(path, 12, chars), ".../clip.avi");
    EXPECT_EQ(ShortenPathToWidth(path, 3, chars), "clip.avi");
    EXPECT_EQ(ShortenPathToWidth("relative/dir/clip.avi", 12, chars), ".../clip.avi");
}
