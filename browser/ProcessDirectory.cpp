// SPDX-License-Identifier: GPL-2.0-or-later
#include "browser/ProcessDirectory.h"

#include "browser/InOutErrors.h"

#include <cerrno>
#include <memory>
#include <unistd.h>

std::string CurrentDirectory() {
    // getcwd with a null buffer allocates one as long as the path needs.
    std::unique_ptr<char, decltype(&free)> path(getcwd(nullptr, 0), &free);
    if (!path) {
        ThrowInOutError(errno);
    }
    return path.get();
}

