// SPDX-License-Identifier: GPL-2.0-or-later
#include "browser/ProcessDirectory.h"

#include "browser/InOutErrors.h"
#include "browser/Volumes.h"

#include <cerrno>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

std::string CurrentDirectory() {
    // getcwd with a null buffer allocates one as long as the path needs.
    std::unique_ptr<char, decltype(&free)> path(getcwd(nullptr, 0), &free);
    if (!path) {
        ThrowInOutError(errno);
    }
    return path.get();
}

void ChangeDirectory(const std::string& path) {
    if (chdir(path.c_str()) != 0) {
        ThrowInOutError(errno);
    }
    if (std::unique_ptr<char, decltype(&free)> now(getcwd(nullptr, 0), &free); now) {
        Volumes::RememberDirectory(now.get());
    }
}

bool TryChangeDirectory(const std::string& path) noexcept {
    return chdir(path.c_str()) == 0;
}

bool DirectoryExists(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool FileExists(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && !S_ISDIR(info.st_mode);
}
