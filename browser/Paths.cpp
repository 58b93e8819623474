// SPDX-License-Identifier: GPL-2.0-or-later
#include "browser/Paths.h"

#include "browser/FileNames.h"
#include "browser/FileSystemWorker.h"
#include "browser/InOutErrors.h"
#include "core/Errors.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

std::string JoinPath(const std::string& dir, const std::string& name) {
    // "/" is never a byte inside a UTF-8 sequence, so the last byte is a whole character here.
    if (!dir.empty() && dir.back() == '/') {
        return dir + name;
    }
    return dir + "/" + name;
}

namespace {

// The folder a path names, resolved as entering it would: links followed, "." and ".." taken away.
// EInOutError as the system gives it when it cannot be entered.
std::string EnteredFolder(const std::string& dir) {
    const FileSystemCall call("realpath", dir);
    std::unique_ptr<char, decltype(&free)> resolved(realpath(dir.c_str(), nullptr), &free);
    if (!resolved) {
        ThrowInOutError(errno);
    }
    // A folder whose full path the system cannot take as one could not be entered by it either.
    if (std::strlen(resolved.get()) >= PATH_MAX) {
        ThrowInOutError(ENAMETOOLONG);
    }
    struct stat info {};
    if (stat(resolved.get(), &info) != 0) {
        ThrowInOutError(errno);
    }
    if (!S_ISDIR(info.st_mode)) {
        ThrowInOutError(ENOTDIR);
    }
    // As entering it would: with the thread's own rights (access() would give root every power).
    if (faccessat(AT_FDCWD, resolved.get(), X_OK, AT_EACCESS) != 0) {
        ThrowInOutError(errno);
    }
    return resolved.get();
}

bool NamesAFolderNotAFile(const std::string& path) {
    const FileSystemCall call("stat", path);
    struct stat info {};
    if (stat(path.c_str(), &info) != 0) {
        // A name too long to look up could not be entered either: that is the error to report.
        if (errno == ENAMETOOLONG) {
            ThrowInOutError(errno);
        }
        return false;
    }
    return S_ISDIR(info.st_mode);
}

} // namespace

TypedPath SplitTypedPath(const std::string& text, const std::string& base) {
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
        dir = base;
    }
    if (dir.front() != '/') {
        if (base.empty()) {
            ThrowInOutError(ENOENT); // the folder it is relative to is gone
        }
        dir = JoinPath(base, dir);
    }
    dir = EnteredFolder(dir);
    if (!result.File.empty() && !HasWildcards(result.File) &&
        NamesAFolderNotAFile(JoinPath(dir, result.File))) {
        dir = EnteredFolder(JoinPath(dir, result.File));
        result.File.clear();
    }
    result.Dir = dir;
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
