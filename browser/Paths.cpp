// SPDX-License-Identifier: GPL-2.0-or-later
#include "browser/Paths.h"

#include "core/Errors.h"
#include "browser/FileNames.h"
#include "browser/ProcessDirectory.h"
#include "browser/Volumes.h"

#include <algorithm>

std::string JoinPath(const std::string& dir, const std::string& name) {
    // "/" is never a byte inside a UTF-8 sequence, so the last byte is a whole character here.
    if (!dir.empty() && dir.back() == '/') {
        return dir + name;
    }
    return dir + "/" + name;
}

namespace {

// Makes the start directory current again however the split ends.
class ReturnToDirectory {
public:
    explicit ReturnToDirectory(std::string dir) : dir_(std::move(dir)) {}
    ~ReturnToDirectory() {
        if (!dir_.empty()) {
            TryChangeDirectory(dir_);
        }
    }
    ReturnToDirectory(const ReturnToDirectory&) = delete;
    ReturnToDirectory& operator=(const ReturnToDirectory&) = delete;

private:
    std::string dir_;
};

} // namespace

TypedPath SplitTypedPath(const std::string& text) {
    // The start directory may have been removed while the browser stood in it; a full path must
    // still lead out of it, so only a text that needs the start directory fails then.
    std::string start;
    try {
        start = CurrentDirectory();
    } catch (const EInOutError&) {
    }
    const ReturnToDirectory returnAtEnd(start);
    TypedPath result;

    std::string dir = text;
    if (text.size() >= 2 && text.front() == '[' && text.back() == ']') {
        dir = text.substr(1, text.size() - 2);
    }
    const std::size_t slash = dir.find_last_of('/');
    result.File = slash == std::string::npos ? dir : dir.substr(slash + 1);
    if (dir.size() == result.File.size() + 1) {
        dir = "/";
    } else if (dir.size() > result.File.size() + 1) {
        dir.resize(dir.size() - result.File.size() - 1);
    } else {
        dir = start;
    }
    ChangeDirectory(dir);
    if (!result.File.empty() && !HasWildcards(result.File) && !FileExists(result.File) &&
        DirectoryExists(result.File)) {
        ChangeDirectory(result.File);
        dir = dir == "/" ? "/" + result.File : dir + "/" + result.File;
        result.File.clear();
    }
    result.Dir = dir;
    // The drive is the one that holds the folder reached, which a relative path may have left.
    result.Drive = Volumes::DriveLetterOf(CurrentDirectory());
    return result;
}

int PathDepth(const std::string& dir, const std::string& root) {
    std::string_view below(dir);
    if (root != "/" && below.substr(0, root.size()) == root) {
        below.remove_prefix(root.size());
    }
    const auto separators = std::count(below.begin(), below.end(), '/');
    return std::max<int>(1, static_cast<int>(separators));
}

namespace {

// Replaces the first folder of a "/a/b/" or "/.../b/" text with the ".../" marker.
std::string DropFirstDir(std::string dir) {
    if (dir == "/") {
        return {};
    }
    std::string lead;
    if (!dir.empty() && dir.front() == '/') {
        lead = "/";
        dir.erase(0, 1);
    }
    // Only the marker itself is skipped: a folder whose name begins with "." is a folder.
    if (dir.rfind(".../", 0) == 0) {
        dir.erase(0, 4);
    }
    const std::size_t slash = dir.find('/');
    dir = slash == std::string::npos ? std::string() : ".../" + dir.substr(slash + 1);
    return lead + dir;
}

} // namespace

std::string ShortenPathToWidth(const std::string& path, int width,
                               const std::function<int(const std::string&)>& textWidth) {
    const std::size_t slash = path.find_last_of('/');
    std::string dir = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    while (!dir.empty() && textWidth(dir + name) > width) {
        dir = dir == "/.../" ? ".../" : DropFirstDir(dir);
    }
    return dir + name;
}
