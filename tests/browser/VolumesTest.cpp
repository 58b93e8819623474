// SPDX-License-Identifier: GPL-2.0-or-later
#include "browser/Volumes.h"

#include <gmock/gmock.h>

using ::testing::ElementsAre;
using ::testing::Field;

TEST(Volumes, MountInfoLinesGiveMountPointTypeAndSource) {
    const std::string text = "27 1 254:0 / / rw,relatime shared:1 - ext4 /dev/vda rw\n"
                             "40 27 8:17 / /media/My\\040Disk rw,nosuid - vfat /dev/sdb1 rw\n"
                             "41 27 0:50 / /mnt/share rw - cifs //server/films rw\n"
                             "bad line\n";
    const auto mounts = ParseMountInfo(text);
    ASSERT_EQ(mounts.size(), 3u);
    EXPECT_EQ(mounts[0].MountPoint, "/");
    EXPECT_EQ(mounts[1].MountPoint, "/media/My Disk");
    EXPECT_EQ(mounts[1].FileSystem, "vfat");
    EXPECT_EQ(mounts[2].Source, "//server/films");
}

TEST(Volumes, DrivesLeaveOutPseudoMountsAndTakeKeysInTableOrder) {
    const std::vector<MountEntry> mounts = {
        {"/", "ext4", "/dev/sda1", "System", false},
        {"/proc", "proc", "proc", "", false},
        {"/dev/shm", "tmpfs", "tmpfs", "", false},
        {"/media/usb", "vfat", "/dev/sdb1", "", false},
        {"/data", "xfs", "/dev/sdc1", "", true},
        {"/mnt/cd", "iso9660", "/dev/sr0", "DVD", false},
        {"/mnt/nfs", "nfs4", "server:/export", "", false},
        {"/tmp", "tmpfs", "tmpfs", "", false},
        {"/sys/fs/cgroup", "cgroup2", "cgroup2", "", false},
    };
    const auto drives = DrivesOfMounts(mounts);
    ASSERT_EQ(drives.size(), 6u);
    EXPECT_THAT(drives, ElementsAre(Field(&Drive::Letter, 'A'), Field(&Drive::Letter, 'B'),
                                    Field(&Drive::Letter, 'C'), Field(&Drive::Letter, 'D'),
                                    Field(&Drive::Letter, 'E'), Field(&Drive::Letter, 'F')));
    EXPECT_EQ(drives[0].Kind, DriveKind::Fixed);
    EXPECT_EQ(drives[0].Label, "System");
    EXPECT_EQ(drives[1].Kind, DriveKind::Removable); // under /media
    EXPECT_FALSE(drives[1].CaseSensitive);
    EXPECT_EQ(drives[1].Label, "usb");
    EXPECT_EQ(drives[2].Kind, DriveKind::Removable); // the device says so
    EXPECT_EQ(drives[3].Kind, DriveKind::CdRom);
    EXPECT_EQ(drives[4].Kind, DriveKind::Remote);
    EXPECT_EQ(drives[4].NetworkName, "server:/export");
    EXPECT_EQ(drives[5].Kind, DriveKind::Ram);
}

TEST(Volumes, AMountOverAnotherKeepsItsKeyAndAtMost26Drives) {
    std::vector<MountEntry> mounts = {{"/", "ext4", "", "", false}, {"/m", "ext4", "", "old", false}};
    for (int i = 0; i < 30; ++i) {
        mounts.push_back({"/d" + std::to_string(i), "ext4", "", "", false});
    }
    mounts.push_back({"/m", "vfat", "", "new", false});
    const auto drives = DrivesOfMounts(mounts);
    ASSERT_EQ(drives.size(), 26u);
    EXPECT_EQ(drives[1].Label, "new");
    EXPECT_EQ(drives[1].Letter, 'B');
    EXPECT_EQ(drives.back().Letter, 'Z');
}

TEST(Volumes, APathBelongsToTheDeepestMountAbove) {
    Volumes::SetSource(std::make_unique<ScriptedVolumeSource>(
        std::vector<MountEntry>{{"/", "ext4", "", "", false},
                                {"/media/usb", "vfat", "", "", false},
                                {"/media/usb2", "ext4", "", "", false}}));
    EXPECT_EQ(Volumes::DriveLetterOf("/media/usb/films"), 'B');
    EXPECT_EQ(Volumes::RootOf("/media/usb/films"), "/media/usb");
    EXPECT_EQ(Volumes::DriveLetterOf("/media/usb2"), 'C');
    EXPECT_EQ(Volumes::RootOf("/media/usbx"), "/");
    EXPECT_FALSE(Volumes::CaseSensitiveAt("/media/usb/a"));
    EXPECT_TRUE(Volumes::CaseSensitiveAt("/home"));
    EXPECT_EQ(Volumes::RememberedDirectory('b'), "/media/usb");
    Volumes::RememberDirectory("/media/usb/films");
    EXPECT_EQ(Volumes::RememberedDirectory('b'), "/media/usb/films");
    EXPECT_EQ(Volumes::RememberedDirectory('q'), "");
    Volumes::SetSource(nullptr);
}

TEST(Volumes, TheRunningSystemHasADriveForTheRoot) {
    Volumes::SetSource(nullptr);
    EXPECT_NE(Volumes::DriveHolding("/"), nullptr);
}

// Shares mounted through FUSE wait on their servers as the kernel's own do, so they count as remote
// and show their source; a FUSE file system of this machine's does not.
TEST(Volumes, NetworkFileSystemsAreRemoteWhetherTheKernelOrFuseMountsThem) {
    const struct {
        const char* type;
        bool remote;
    } cases[] = {
        {"nfs", true},
        {"cifs", true},
        {"smb3", true},
        {"9p", true},
        {"fuse.sshfs", true},
        {"fuse.rclone", true},
        {"fuse.s3fs", true},
        {"fuse.smbnetfs", true},
        {"fuse.curlftpfs", true},
        {"fuse.davfs2", true},
        {"fuse.gvfsd-fuse", true},
        {"fuse.cifs", true},
        {"fuse.encfs", false},
        {"fuseblk", false},
        {"ext4", false},
        {"fuse", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.type);
        const auto drives = DrivesOfMounts({{"/mnt/x", c.type, "nas:/recordings", "", false}});
        ASSERT_EQ(drives.size(), 1u);
        EXPECT_EQ(drives[0].Kind == DriveKind::Remote, c.remote);
        EXPECT_EQ(drives[0].NetworkName, c.remote ? "nas:/recordings" : "");
    }
}
