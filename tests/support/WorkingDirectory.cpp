// SPDX-License-Identifier: GPL-2.0-or-later
#include "tests/support/WorkingDirectory.h"

#include "browser/InOutErrors.h"

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

void ChangeDirectory(const std::string& path) {
    if (chdir(path.c_str()) != 0) {
        ThrowInOutError(errno);
    }
}

bool DirectoryExists(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool FileExists(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && !S_ISDIR(info.st_mode);
}
