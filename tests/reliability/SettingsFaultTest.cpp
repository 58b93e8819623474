// SPDX-License-Identifier: GPL-2.0-or-later
#include "core/Errors.h"
#include "core/ProfileFile.h"
#include "player/PlaySettings.h"
#include "tests/reliability/TmpfsMount.h"
#include "tests/support/AccessOverride.h"
#include "tests/support/TempDir.h"

#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr const char* kSaved =
    "[TfrmMain]\nPlaceShowCmd=1\n[Play]\nDir=/videos\nFile=/videos/a.avi\nPosition=1200\n";

// The names in a folder other than the given ones: what a failed write may have left behind.
std::vector<std::string> OtherEntries(const std::string& folder, const std::vector<std::string>& expected) {
    std::vector<std::string> others;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        const std::string name = entry.path().filename().string();
        if (std::find(expected.begin(), expected.end(), name) == expected.end()) {
            others.push_back(name);
        }
    }
    return others;
}

// A save that cannot reach the disk reports which file it could not write and leaves that file as
// it was, byte for byte, with nothing beside it.
void ExpectRefusedAndIntact(const std::string& path, const std::vector<std::string>& folderHolds) {
    const ProfileFile settings(path);
    try {
        settings.WriteString("Play", "Dir", std::string(20000, 'd'));
        FAIL() << "the write was not refused";
    } catch (const EIniFileException& error) {
        EXPECT_EQ(std::string(error.what()), path + " に書き込めません");
    }
    PlaySettings values = ReadPlaySettings(settings);
    EXPECT_EQ(values.Dir, "/videos");
    values.Position = "99";
    EXPECT_THROW(WritePlaySettings(settings, values), EIniFileException);
    EXPECT_EQ(ReadFileText(path), kSaved);
    EXPECT_EQ(OtherEntries(std::filesystem::path(path).parent_path(), folderHolds),
              std::vector<std::string>{});
}

} // namespace

TEST(SettingsOnAFullDisk, TheWriteIsRefusedAndTheOldFileStays) {
    TempDir temp;
    const std::string disk = temp.MakeFolder("disk");
    TmpfsMount mount(disk, 64 * 1024);
    if (!mount.Mounted()) {
        GTEST_SKIP() << mount.Problem();
    }
    const std::string path = temp.WriteFile("disk/tarnwick.ini", kSaved);
    ASSERT_GT(FillFileSystem(disk + "/filler"), 0u);
    ExpectRefusedAndIntact(path, {"tarnwick.ini", "filler"});

    // Once there is room again, saving works as before.
    std::filesystem::remove(disk + "/filler");
    ProfileFile(path).WriteString("Play", "Dir", "/films");
    EXPECT_EQ(ProfileFile(path).ReadString("Play", "Dir", ""), "/films");
}

TEST(SettingsInAReadOnlyFile, TheWriteIsRefusedEvenForTheAdministratorAndTheFileStays) {
    TempDir temp;
    const std::string path = temp.WriteFile("tarnwick.ini", kSaved);
    ASSERT_EQ(chmod(path.c_str(), 0444), 0);
    ExpectRefusedAndIntact(path, {"tarnwick.ini"});
    struct stat info {};
    ASSERT_EQ(stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0444u);
}

TEST(SettingsInAReadOnlyFolder, TheWriteIsRefusedAndTheFileStays) {
    TempDir temp;
    const std::string folder = temp.MakeFolder("locked");
    const std::string path = temp.WriteFile("locked/tarnwick.ini", kSaved);
    ASSERT_EQ(chmod(folder.c_str(), 0555), 0);
    WithoutAccessOverride asUser;
    ExpectRefusedAndIntact(path, {"tarnwick.ini"});
}
