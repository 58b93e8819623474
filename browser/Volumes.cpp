// SPDX-License-Identifier: GPL-2.0-or-later
#include "browser/Volumes.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <array>
#include <cctype>
#include <map>
#include <set>
#include <sstream>

namespace {

// Mount tables escape blanks, tabs, new lines and backslashes as three octal digits.
std::string UnescapeOctal(std::string_view field) {
    std::string out;
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size() &&
            std::all_of(field.begin() + i + 1, field.begin() + i + 4,
                        [](char c) { return c >= '0' && c <= '7'; })) {
            out += static_cast<char>((field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 +
                                     (field[i + 3] - '0'));
            i += 3;
        } else {
            out += field[i];
        }
    }
    return out;
}

// udev names label links with "\x20"-style escapes.
std::string UnescapeHex(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 3 < text.size() && text[i + 1] == 'x' &&
            std::isxdigit((unsigned char)text[i + 2]) && std::isxdigit((unsigned char)text[i + 3])) {
            out += static_cast<char>(std::stoi(std::string(text.substr(i + 2, 2)), nullptr, 16));
            i += 3;
        } else {
            out += text[i];
        }
    }
    return out;
}

bool StartsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

// Whether a path lies at or under a folder ("/media" holds "/media/usb", not "/mediafiles").
bool PathIsUnder(std::string_view path, std::string_view folder) {
    if (folder == "/") {
        return StartsWith(path, "/");
    }
    return StartsWith(path, folder) && (path.size() == folder.size() || path[folder.size()] == '/');
}

std::string LastPart(const std::string& mountPoint) {
    if (mountPoint == "/") {
        return "/";
    }
    return mountPoint.substr(mountPoint.find_last_of('/') + 1);
}

std::map<std::string, std::string> LabelsByDevice() {
    std::map<std::string, std::string> labels;
    const QDir byLabel(QStringLiteral("/dev/disk/by-label"));
    for (const QFileInfo& link : byLabel.entryInfoList(QDir::System | QDir::Files | QDir::NoDotAndDotDot)) {
        labels[link.canonicalFilePath().toStdString()] = UnescapeHex(link.fileName().toStdString());
    }
    return labels;
}

bool DeviceIsRemovable(const std::string& source) {
    if (!StartsWith(source, "/dev/")) {
        return false;
    }
    const QString device = QFileInfo(QString::fromStdString(source)).canonicalFilePath().section('/', -1);
    const QString block = QFileInfo(QStringLiteral("/sys/class/block/") + device).canonicalFilePath();
    if (block.isEmpty()) {
        return false;
    }
    // A partition's own folder has no "removable"; its disk's folder, one up, does.
    for (const QString& candidate :
         {block + QStringLiteral("/removable"), block + QStringLiteral("/../removable")}) {
        QFile file(candidate);
        if (file.open(QIODevice::ReadOnly)) {
            return file.readAll().trimmed() == "1";
        }
    }
    return false;
}

struct VolumeState {
    std::unique_ptr<VolumeSource> source = std::make_unique<SystemVolumeSource>();
    std::vector<Drive> drives;
    bool read = false;
    std::map<char, std::string> remembered;
    std::set<std::string> leftOut;
};

VolumeState& State() {
    static VolumeState state;
    return state;
}

} // namespace

std::vector<MountEntry> ParseMountInfo(std::string_view text) {
    std::vector<MountEntry> mounts;
    std::istringstream lines{std::string(text)};
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        std::vector<std::string> parts;
        std::string part;
        while (fields >> part) {
            parts.push_back(part);
        }
        // id parent major:minor root mount-point options [optional...] - type source super-options
        const auto separator = std::find(parts.begin(), parts.end(), "-");
        if (parts.size() < 5 || separator == parts.end() || parts.end() - separator < 3) {
            continue;
        }
        MountEntry mount;
        mount.MountPoint = UnescapeOctal(parts[4]);
        mount.FileSystem = *(separator + 1);
        mount.Source = UnescapeOctal(*(separator + 2));
        mounts.push_back(std::move(mount));
    }
    return mounts;
}

bool IsPseudoMount(const MountEntry& mount) {
    static const std::array<std::string_view, 26> pseudo = {
        "proc",      "sysfs",       "cgroup",      "cgroup2",    "devpts",
        "devtmpfs",  "tracefs",     "debugfs",     "securityfs", "pstore",
        "bpf",       "mqueue",      "hugetlbfs",   "configfs",   "fusectl",
        "autofs",    "binfmt_misc", "efivarfs",    "rpc_pipefs", "nsfs",
        "selinuxfs", "squashfs",    "fuse.portal", "fuse.lxcfs", "overlay.internal",
        "nfsd"};
    if (std::find(pseudo.begin(), pseudo.end(), mount.FileSystem) != pseudo.end()) {
        return true;
    }
    // Run-time and kernel places hold no user files, whatever is mounted there (/dev/shm, /run,
    // the cgroup tmpfs); removable media under /run/media are the exception.
    for (std::string_view place : {"/proc", "/sys", "/dev", "/run"}) {
        if (PathIsUnder(mount.MountPoint, place) && !PathIsUnder(mount.MountPoint, "/run/media")) {
            return true;
        }
    }
    return false;
}

DriveKind KindOfMount(const MountEntry& mount) {
    const std::string_view fs = mount.FileSystem;
    if (fs == "iso9660" || fs == "udf" || StartsWith(mount.Source, "/dev/sr")) {
        return DriveKind::CdRom;
    }
    if (IsNetworkFileSystem(fs)) {
        return DriveKind::Remote;
    }
    if (fs == "tmpfs" || fs == "ramfs") {
        return DriveKind::Ram;
    }
    if (mount.RemovableDevice || PathIsUnder(mount.MountPoint, "/media") ||
        PathIsUnder(mount.MountPoint, "/run/media")) {
        return DriveKind::Removable;
    }
    return DriveKind::Fixed;
}

bool IsNetworkFileSystem(std::string_view fileSystem) {
    // FUSE file systems show as "fuse." and their own name; a network one is remote like the
    // kernel's, and waits on its server the same way.
    const std::string_view name = StartsWith(fileSystem, "fuse.") ? fileSystem.substr(5) : fileSystem;
    for (std::string_view remote : {"nfs", "nfs4", "cifs", "smb3", "smbfs", "sshfs", "9p", "davfs", "davfs2",
                                    "rclone", "s3fs", "smbnetfs", "curlftpfs", "gvfsd-fuse"}) {
        if (name == remote) {
            return true;
        }
    }
    return false;
}

bool FileSystemIgnoresCase(std::string_view fileSystem) {
    for (std::string_view fs : {"vfat", "msdos", "exfat", "ntfs", "ntfs3", "cifs", "smb3", "smbfs"}) {
        if (fileSystem == fs) {
            return true;
        }
    }
    return false;
}

std::vector<Drive> DrivesOfMounts(const std::vector<MountEntry>& mounts) {
    std::vector<Drive> drives;
    for (const MountEntry& mount : mounts) {
        if (mount.MountPoint.empty() || mount.MountPoint[0] != '/' || IsPseudoMount(mount)) {
            continue;
        }
        Drive drive;
        drive.MountPoint = mount.MountPoint;
        drive.Kind = KindOfMount(mount);
        drive.Label = mount.Label.empty() ? LastPart(mount.MountPoint) : mount.Label;
        drive.NetworkName = drive.Kind == DriveKind::Remote ? mount.Source : std::string();
        drive.CaseSensitive = !FileSystemIgnoresCase(mount.FileSystem);
        // A file system mounted over another hides it: the place keeps its key, the new one shows.
        const auto same = std::find_if(drives.begin(), drives.end(),
                                       [&](const Drive& d) { return d.MountPoint == drive.MountPoint; });
        if (same != drives.end()) {
            drive.Letter = same->Letter;
            *same = drive;
            continue;
        }
        if (drives.size() == 26) {
            continue;
        }
        drive.Letter = static_cast<char>('A' + drives.size());
        drives.push_back(drive);
    }
    return drives;
}

std::vector<MountEntry> SystemVolumeSource::Mounts() const {
    QFile file(QStringLiteral("/proc/self/mountinfo"));
    if (!file.open(QIODevice::ReadOnly)) {
        return {MountEntry{"/", "unknown", "", "", false}};
    }
    std::vector<MountEntry> mounts = ParseMountInfo(file.readAll().toStdString());
    const auto labels = LabelsByDevice();
    std::vector<MountEntry> kept;
    for (MountEntry& mount : mounts) {
        // Whether the mount point is a folder is asked of the mount itself, which a share that
        // sleeps answers late: the drive selector asks the file-system worker and leaves it out then.
        if (IsPseudoMount(mount) || Volumes::LeftOut(mount.MountPoint)) {
            continue;
        }
        if (StartsWith(mount.Source, "/dev/")) {
            const QString device = QFileInfo(QString::fromStdString(mount.Source)).canonicalFilePath();
            if (const auto label = labels.find(device.toStdString()); label != labels.end()) {
                mount.Label = label->second;
            }
            mount.RemovableDevice = DeviceIsRemovable(mount.Source);
        }
        kept.push_back(std::move(mount));
    }
    return kept;
}

namespace Volumes {

void SetSource(std::unique_ptr<VolumeSource> source) {
    State().source = source ? std::move(source) : std::make_unique<SystemVolumeSource>();
    State().remembered.clear();
    Refresh();
}

void LeaveOut(const std::string& mountPoint) {
    State().leftOut.insert(mountPoint);
}

bool LeftOut(const std::string& mountPoint) {
    return State().leftOut.count(mountPoint) != 0;
}

bool MountPointsMayBeFiles() {
    return State().source->MountPointsMayBeFiles();
}

void Refresh() {
    State().drives = DrivesOfMounts(State().source->Mounts());
    State().read = true;
}

const std::vector<Drive>& Drives() {
    if (!State().read) {
        Refresh();
    }
    return State().drives;
}

const Drive* DriveByLetter(char letter) {
    const char key = static_cast<char>(std::toupper(static_cast<unsigned char>(letter)));
    for (const Drive& drive : Drives()) {
        if (drive.Letter == key) {
            return &drive;
        }
    }
    return nullptr;
}

const Drive* DriveHolding(std::string_view path) {
    const Drive* best = nullptr;
    for (const Drive& drive : Drives()) {
        if (PathIsUnder(path, drive.MountPoint) &&
            (!best || drive.MountPoint.size() > best->MountPoint.size())) {
            best = &drive;
        }
    }
    return best;
}

char DriveLetterOf(std::string_view path) {
    const Drive* drive = DriveHolding(path);
    return drive ? drive->Letter : '\0';
}

std::string RootOf(std::string_view path) {
    const Drive* drive = DriveHolding(path);
    return drive ? drive->MountPoint : std::string("/");
}

bool CaseSensitiveAt(std::string_view path) {
    const Drive* drive = DriveHolding(path);
    return drive ? drive->CaseSensitive : true;
}

void RememberDirectory(const std::string& path) {
    if (const char letter = DriveLetterOf(path)) {
        State().remembered[letter] = path;
    }
}

std::string RememberedDirectory(char letter) {
    const Drive* drive = DriveByLetter(letter);
    if (!drive) {
        return {};
    }
    const auto found = State().remembered.find(drive->Letter);
    return found != State().remembered.end() ? found->second : drive->MountPoint;
}

} // namespace Volumes
