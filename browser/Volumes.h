// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

// The drives of the browser: mounted file systems that hold user files, each under a one-letter
// key ('A', 'B', ...) given in mount-table order, so a key stays the same while the mounts do.

// Drive kinds, numbered as the drive selector knows them.
enum class DriveKind { Removable = 2, Fixed = 3, Remote = 4, CdRom = 5, Ram = 6 };

// One line of a mount table.
struct MountEntry {
    std::string MountPoint;
    std::string FileSystem;
    std::string Source;
    std::string Label;            // the file system's own label; empty when it has none
    bool RemovableDevice = false; // the block device says its medium can be taken out
};

struct Drive {
    char Letter = '\0';
    std::string MountPoint;
    DriveKind Kind = DriveKind::Fixed;
    std::string Label;       // the file system's label, else the last part of the mount point
    std::string NetworkName; // remote drives: server:/export or //server/share
    bool CaseSensitive = true;
};

// Where the mount table comes from; tests hand the browser a table of their own.
class VolumeSource {
public:
    virtual ~VolumeSource() = default;
    virtual std::vector<MountEntry> Mounts() const = 0;
    // Whether its mount points need asking whether they are folders (a real table's may be files).
    virtual bool MountPointsMayBeFiles() const { return false; }
};

// The running system's table: /proc/self/mountinfo, labels from /dev/disk/by-label, removable
// media from /sys; nothing here touches a mount. Mount points found not to be folders (files bound
// into containers) are left out once Volumes::LeaveOut has been told.
class SystemVolumeSource : public VolumeSource {
public:
    std::vector<MountEntry> Mounts() const override;
    bool MountPointsMayBeFiles() const override { return true; }
};

// A fixed table.
class ScriptedVolumeSource : public VolumeSource {
public:
    explicit ScriptedVolumeSource(std::vector<MountEntry> mounts) : mounts_(std::move(mounts)) {}
    std::vector<MountEntry> Mounts() const override { return mounts_; }

private:
    std::vector<MountEntry> mounts_;
};

// The mount entries of /proc/self/mountinfo text, in its order (file system labels not filled).
std::vector<MountEntry> ParseMountInfo(std::string_view text);
// Kernel and system file systems that hold no user files.
bool IsPseudoMount(const MountEntry& mount);
DriveKind KindOfMount(const MountEntry& mount);
bool FileSystemIgnoresCase(std::string_view fileSystem);
// Kernel and FUSE file systems whose files live on another machine.
bool IsNetworkFileSystem(std::string_view fileSystem);
// The drives of a mount table: pseudo mounts left out, a mount point mounted over again keeps
// its first place, at most 26 drives.
std::vector<Drive> DrivesOfMounts(const std::vector<MountEntry>& mounts);

// The process-wide view of the drives, like the current directory that it goes with.
namespace Volumes {
// Replaces the source (nullptr: the running system's) and reads the drives again.
void SetSource(std::unique_ptr<VolumeSource> source);
// Reads the mount table again.
void Refresh();
// A mount point that turned out not to be a folder: the running system's table leaves it out.
void LeaveOut(const std::string& mountPoint);
bool LeftOut(const std::string& mountPoint);
bool MountPointsMayBeFiles();
const std::vector<Drive>& Drives();
// The drive with a key, case ignored; nullptr when there is none.
const Drive* DriveByLetter(char letter);
// The drive that holds an absolute path: the one with the longest mount point above it.
const Drive* DriveHolding(std::string_view path);
// The key of the drive that holds a path, '\0' when no listed drive does.
char DriveLetterOf(std::string_view path);
// The root of a path: the mount point of its drive; "/" when no listed drive holds it.
std::string RootOf(std::string_view path);
// Whether names that differ only in case are different files where the path lies.
bool CaseSensitiveAt(std::string_view path);

// The last directory made current on each drive, so that picking a drive returns to it.
void RememberDirectory(const std::string& path);
// The remembered directory of a drive, or its mount point; empty for an unknown key.
std::string RememberedDirectory(char letter);
} // namespace Volumes
