// SPDX-License-Identifier: GPL-2.0-or-later
#include "browser/FileScan.h"

#include "browser/FileNames.h"
#include "browser/FileSystemWorker.h"
#include "browser/Paths.h"

#include <algorithm>
#include <dirent.h>
#include <memory>
#include <sys/stat.h>

namespace {

struct DirCloser {
    void operator()(DIR* dir) const { closedir(dir); }
};
using DirHandle = std::unique_ptr<DIR, DirCloser>;

DIR* OpenFolder(const std::string& path) {
    const FileSystemCall call("opendir", path);
    return opendir(path.c_str());
}

const dirent* ReadEntry(DIR* dir) {
    const FileSystemStep step;
    return readdir(dir);
}

// The entry's attribute bits. The entry type from readdir spares a stat call for nearly every
// entry; links, unknown types and the read-only question need one.
std::uint8_t AttributesOf(int dirFd, const dirent& entry, bool needReadOnly) {
    std::uint8_t attributes = 0;
    const std::string_view name(entry.d_name);
    if (name.size() > 1 && name[0] == '.' && name != "..") {
        attributes |= attrHidden;
    }
    unsigned char type = entry.d_type;
    mode_t mode = 0;
    if (type == DT_LNK || type == DT_UNKNOWN || needReadOnly) {
        struct stat info {};
        const FileSystemCall call("fstatat", entry.d_name);
        if (fstatat(dirFd, entry.d_name, &info, 0) != 0) {
            return attributes | attrSystem; // a dangling link names nothing one could open
        }
        mode = info.st_mode;
        type = S_ISDIR(mode) ? DT_DIR : S_ISREG(mode) ? DT_REG : DT_FIFO;
    }
    if (type == DT_DIR) {
        attributes |= attrDirectory;
    } else if (type != DT_REG) {
        attributes |= attrSystem;
    }
    if (needReadOnly && (mode & S_IWUSR) == 0) {
        attributes |= attrReadOnly;
    }
    return attributes;
}

RowGlyph FileGlyph(std::string_view foldedName) {
    const std::size_t dot = foldedName.find_last_of('.');
    if (dot != std::string_view::npos) {
        const std::string_view extension = foldedName.substr(dot);
        for (std::string_view executable : {".exe", ".com", ".bat", ".pif"}) {
            if (extension == executable) {
                return RowGlyph::Executable;
            }
        }
    }
    return RowGlyph::UnknownFile;
}

constexpr std::uint8_t skippedUnlessWanted = attrHidden | attrSystem | 0x08 | attrDirectory;

} // namespace

std::vector<std::string> SplitMask(const std::string& mask) {
    std::vector<std::string> patterns;
    std::size_t begin = 0;
    while (true) {
        const std::size_t end = mask.find(';', begin);
        patterns.push_back(mask.substr(begin, end - begin));
        if (end == std::string::npos) {
            return patterns;
        }
        begin = end + 1;
    }
}

bool InsertionPositionWatch::Insert(std::string_view key) {
    const auto place = std::upper_bound(smallest_.begin(), smallest_.end(), key,
                                        [](std::string_view a, const std::string& b) { return a < b; });
    // Keys past the kept ones land past the watched position, so only the smallest are needed.
    const auto at = static_cast<std::size_t>(place - smallest_.begin());
    if (at <= position_) {
        smallest_.insert(place, std::string(key));
        if (smallest_.size() > position_ + 1) {
            smallest_.pop_back();
        }
    }
    return at == position_;
}

std::vector<FileRow> ScanFiles(const std::string& folderPath, const std::string& mask, TFileType fileType,
                               bool glyphsForFolders, const std::function<void()>& onBusy) {
    const std::uint8_t wanted = fileType.AttributeBits();
    const bool needReadOnly = !fileType.HasNormal() && (wanted & attrReadOnly);
    std::vector<FileRow> rows;
    InsertionPositionWatch watch(100);
    bool busy = false;
    for (const std::string& pattern : SplitMask(mask)) {
        // A pattern may name a folder of its own before its last "/".
        const std::size_t slash = pattern.find_last_of('/');
        const std::string patternFolder = slash == std::string::npos ? std::string()
                                          : slash == 0               ? "/"
                                                                     : pattern.substr(0, slash);
        const std::string folder = patternFolder.empty()          ? folderPath
                                   : patternFolder.front() == '/' ? patternFolder
                                                                  : JoinPath(folderPath, patternFolder);
        const std::string foldedPattern =
            FoldedName(slash == std::string::npos ? pattern : pattern.substr(slash + 1));
        if (foldedPattern.empty()) {
            continue;
        }
        const DirHandle dir(OpenFolder(folder));
        if (!dir) {
            continue; // a folder that cannot be listed gives no rows and no error
        }
        const int dirFd = dirfd(dir.get());
        while (const dirent* entry = ReadEntry(dir.get())) {
            std::string folded = FoldedName(entry->d_name);
            if (!MatchesFoldedWildcard(folded, foldedPattern)) {
                continue;
            }
            const std::uint8_t attributes = AttributesOf(dirFd, *entry, needReadOnly);
            if ((attributes & skippedUnlessWanted & ~wanted) != 0) {
                continue;
            }
            if (!fileType.HasNormal() && (attributes & wanted) == 0) {
                continue;
            }
            FileRow row;
            if (attributes & attrDirectory) {
                row.Text = "[" + std::string(entry->d_name) + "]";
                row.Key = "[" + folded + "]";
                row.Glyph = glyphsForFolders ? RowGlyph::ClosedFolder : RowGlyph::None;
            } else {
                row.Text = entry->d_name;
                row.Glyph = FileGlyph(folded);
                row.Key = std::move(folded);
            }
            if (!busy && watch.Insert(row.Key)) {
                busy = true;
                onBusy();
            }
            rows.push_back(std::move(row));
        }
    }
    std::stable_sort(rows.begin(), rows.end(),
                     [](const FileRow& a, const FileRow& b) { return a.Key < b.Key; });
    return rows;
}

std::vector<std::string> ListSubdirectories(const std::string& dirPath, bool caseSensitive) {
    std::vector<std::pair<std::string, std::string>> names; // folded, as stored
    const DirHandle dir(OpenFolder(dirPath));
    if (!dir) {
        return {};
    }
    const int dirFd = dirfd(dir.get());
    while (const dirent* entry = ReadEntry(dir.get())) {
        const std::string_view name(entry->d_name);
        if (name == "." || name == ".." || AttributesOf(dirFd, *entry, false) != attrDirectory) {
            continue;
        }
        names.emplace_back(FoldedName(name), std::string(name));
    }
    std::sort(names.begin(), names.end());
    std::vector<std::string> result;
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (!caseSensitive && i > 0 && names[i].first == names[i - 1].first) {
            continue;
        }
        result.push_back(std::move(names[i].second));
    }
    return result;
}
