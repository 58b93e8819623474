// SPDX-License-Identifier: GPL-2.0-or-later
#include "core/ExecutablePath.h"

#include <system_error>

std::filesystem::path ExecutablePath() {
    std::error_code unreadable;
    std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", unreadable);
    if (unreadable || !program.is_absolute()) {
        return {};
    }
    return program;
}
